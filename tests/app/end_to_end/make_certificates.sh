#!/bin/sh
# Throw-away TLS material for the HTTPS tests, in folder $1:
#   ca.pem                     the authority the test updater trusts; made once, when the
#                              tests are configured, as that updater carries it built in
#   localhost.pem/.key         a server certificate for localhost from that authority
#   otherhost.pem/.key         one for another host name from that authority
#   foreign.pem/.key           one for localhost from another authority
set -eu
cd "$1"
authority() { # NAME DAYS
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days "$2" \
    -subj "/CN=$1" -keyout "$1.key" -out "$1.pem" 2>/dev/null
}
server() { # NAME HOST AUTHORITY
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 \
    -subj "/CN=$2" -addext "subjectAltName=DNS:$2" -addext "basicConstraints=CA:FALSE" \
    -CA "$3.pem" -CAkey "$3.key" -keyout "$1.key" -out "$1.pem" 2>/dev/null
}
[ -f ca.pem ] && [ -f ca.key ] || authority ca 3650
authority other-ca 2
server localhost localhost ca
server otherhost otherhost.test ca
server foreign localhost other-ca
