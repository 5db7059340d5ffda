#!/usr/bin/env python3
"""A small HTTP server on 127.0.0.1 for the updater's end-to-end tests.

Serves the files of --root (whole: it ignores Range, and tells each file's Last-Modified),
logs every request line to --log as it arrives, and writes --ready once it listens. A taken
port is reported on standard error with exit status 3. It ends by itself after --lifetime
seconds.

  --cut NAME=BYTES    announce the whole file but send only BYTES of it, then close
  --delay NAME=MS     wait MS milliseconds before answering
  --stall NAME=BYTES  send BYTES of the file (-1: not even the headers), then send nothing more
                      while holding the connection open (the length announced is one more
                      than the file's, so the client keeps waiting)
  --trickle NAME=RATE send the file at RATE bytes a second
"""

import argparse
import email.utils
import errno
import http.server
import os
import sys
import threading
import time


def parse_rules(values):
    rules = {}
    for value in values or []:
        name, _, count = value.rpartition("=")
        rules["/" + name] = int(count)
    return rules


def make_handler(root, log, cuts, stalls, delays, trickles, lifetime):
    log_lock = threading.Lock()

    class Handler(http.server.BaseHTTPRequestHandler):
        def log_message(self, format, *args):
            pass

        def do_GET(self):
            with log_lock:
                log.write(f"{self.command} {self.path}\n")
                log.flush()
            if self.path in delays:
                time.sleep(delays[self.path] / 1000)
            path = os.path.join(root, self.path.lstrip("/"))
            body = None
            if os.path.isfile(path):
                with open(path, "rb") as f:
                    body = f.read()
            if self.path in stalls:
                self.stall(body or b"", stalls[self.path])
                return
            if body is None:
                self.send_error(404, "Not Found")
                return
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Last-Modified",
                             email.utils.formatdate(os.path.getmtime(path), usegmt=True))
            self.end_headers()
            if self.path in trickles:
                self.trickle(body, trickles[self.path])
                return
            if self.path in cuts:
                self.wfile.write(body[: cuts[self.path]])
                self.wfile.flush()
                self.close_connection = True
                return
            self.wfile.write(body)

        def trickle(self, body, rate):
            # Ten pieces a second, until the client gives up or the file is sent.
            piece = max(1, rate // 10)
            try:
                for start in range(0, len(body), piece):
                    self.wfile.write(body[start:start + piece])
                    self.wfile.flush()
                    time.sleep(0.1)
            except OSError:
                pass
            self.close_connection = True

        def stall(self, body, count):
            if count >= 0:
                self.send_response(200)
                self.send_header("Content-Length", str(len(body) + 1))
                self.end_headers()
                self.wfile.write(body[:count])
                self.wfile.flush()
            time.sleep(lifetime)

    return Handler


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--ready", required=True)
    parser.add_argument("--lifetime", type=float, default=60.0)
    parser.add_argument("--cut", action="append")
    parser.add_argument("--stall", action="append")
    parser.add_argument("--delay", action="append")
    parser.add_argument("--trickle", action="append")
    args = parser.parse_args()

    log = open(args.log, "a", encoding="utf-8")
    handler = make_handler(args.root, log, parse_rules(args.cut), parse_rules(args.stall),
                           parse_rules(args.delay), parse_rules(args.trickle), args.lifetime)
    try:
        server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), handler)
    except OSError as error:
        if error.errno == errno.EADDRINUSE:
            print(f"port {args.port} on 127.0.0.1 is already in use", file=sys.stderr)
            sys.exit(3)
        raise
    server.daemon_threads = True
    with open(args.ready, "w") as ready:
        ready.write("ready\n")
    threading.Thread(target=server.serve_forever, daemon=True).start()
    time.sleep(args.lifetime)
    # Stalled handlers may still sleep: end without waiting for them.
    os._exit(0)


if __name__ == "__main__":
    main()
