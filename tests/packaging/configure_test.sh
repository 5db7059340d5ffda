#!/bin/sh
# configure_test.sh SOURCE_DIR GENERATOR: the configure step builds without the tests when told
# to, needing no GoogleTest then, and refuses an authority file it cannot build in.
set -eu
source=$1 generator=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
configure() { # FOLDER OPTION...
  folder=$1; shift
  cmake -S "$source" -B "$work/$folder" -G "$generator" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
    "$@" >"$work/$folder.log" 2>&1
}

configure no-tests -DBUILD_TESTING=OFF || { cat "$work/no-tests.log"; fail "BUILD_TESTING=OFF"; }
[ ! -e "$work/no-tests/tests" ] || fail "the tests were configured"
[ -e "$work/no-tests/app/updater_generated/updater_authorities.h" ] || fail "no updater configured"

# Configured again in the same folder, which is quicker than afresh.
printf 'not a certificate\n' >"$work/plain.pem"
for ca in "$work/missing.pem" "$work/plain.pem"; do
  if configure no-tests -DUPDATER_CA_FILE="$ca"; then
    fail "UPDATER_CA_FILE=$ca was accepted"
  fi
  grep -q "UPDATER_CA_FILE: $ca" "$work/no-tests.log" || { cat "$work/no-tests.log"; fail "no message for $ca"; }
done
echo "configure step checked"
