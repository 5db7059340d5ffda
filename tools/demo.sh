#!/usr/bin/env bash
# The updater's signed life in three starts, against a local HTTP server on 127.0.0.1:8765.
#   tools/demo.sh BUILD_DIR
# Makes a throw-away signing key, builds the updater with its public key into BUILD_DIR,
# publishes signed versions and shows an install, a removal and a refused package.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "${1:?usage: demo.sh BUILD_DIR}"
build=$(cd "$1" && pwd)
port=8765
work=$(mktemp -d /tmp/updater-demo.XXXXXX)
install="$work/install" served="$work/server" source="$work/source-1.0.1"
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

step() { printf '\n== %s\n' "$*"; }

main_program() { # VERSION FOLDER
  mkdir -p "$2"
  cat >"$2/hello" <<SCRIPT
#!/bin/sh
echo "main program $1 is running"
echo "$1" >> "\$(dirname "\$0")/../started.txt"
SCRIPT
  chmod +x "$2/hello"
}

wait_for_start() { # COUNT: wait until the main program has started COUNT times in all
  for _ in $(seq 50); do
    [ "$(wc -l <"$install/started.txt" 2>/dev/null || echo 0)" -ge "$1" ] && return
    sleep 0.1
  done
  echo "the main program did not start" >&2
  exit 1
}

step "a throw-away key pair, and the updater built with its public key"
minisign -G -W -p "$work/demo.pub" -s "$work/demo.key" >/dev/null
cat "$work/demo.pub"
public_key=$(sed -n 2p "$work/demo.pub")
cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DUPDATER_PUBLIC_KEY="$public_key" >/dev/null
cmake --build "$build" -j "$(nproc)" --target updater publish

step "installation folder: updater, config.xml naming 1.0.0, main program 1.0.0/hello"
mkdir -p "$install" "$served"
cp "$build/app/updater" "$install/"
main_program 1.0.0 "$install/1.0.0"
printf '<?xml version="1.0" encoding="UTF-8"?>\r\n<config>\r\n<Version>1.0.0</Version>\r\n<Exe>hello</Exe>\r\n<LastVersion></LastVersion>\r\n</config>\r\n' \
  >"$install/config.xml"
cat "$install/config.xml"

step "publish 1.0.1, signed, into the server's folder"
main_program 1.0.1 "$source"
"$build/tools/publish" --sign "$work/demo.key" "$source" 1.0.1 "$served"
ls -l "$served"
cat "$served/record.xml"

step "start the HTTP server on 127.0.0.1:$port"
(cd "$served" && exec python3 -m http.server --bind 127.0.0.1 "$port") >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 50); do
  python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null && break
  sleep 0.1
done

step "first start: 1.0.0 runs, 1.0.1 is downloaded, installed and recorded"
"$install/updater"
wait_for_start 1
cat "$install/config.xml"
ls -F "$install"

step "second start: 1.0.1 runs, the 1.0.0 folder is removed"
"$install/updater"
wait_for_start 2
cat "$install/config.xml"
ls -F "$install"

step "publish 1.0.2, signed; then someone changes the package on the server"
main_program 1.0.2 "$work/source-1.0.2"
"$build/tools/publish" --sign "$work/demo.key" "$work/source-1.0.2" 1.0.2 "$served"
printf 'tampered' >>"$served/1.0.2.zip"
cp "$install/config.xml" "$work/config-before.xml"

step "third start: 1.0.1 runs, the changed 1.0.2 package fails the hash its signed record pins and is not installed"
"$install/updater"
wait_for_start 3
cat "$install/config.xml"
ls -F "$install"
cmp -s "$work/config-before.xml" "$install/config.xml" && echo "config.xml is unchanged"

step "the server's log"
cat "$work/server.log"

step "stop the server"
kill "$server_pid" && wait "$server_pid" 2>/dev/null || true
server_pid=""
echo "done"
