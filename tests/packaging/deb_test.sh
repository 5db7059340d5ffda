#!/bin/sh
# deb_test.sh CPACK BUILD_DIR VERSION PROGRAM...: builds the .deb of BUILD_DIR, checks its Depends
# and runs lintian on it (errors fail, warnings are listed), unpacks it into a temporary root and
# runs the installed programs there.
set -eu
cpack=$1 build=$2 version=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for package in libc6 libstdc++6 libcurl4 libsodium23; do
  case ", $depends" in *", $package "*) ;; *) fail "Depends lacks $package" ;; esac
done
names=$(echo "$depends" | tr ',' '\n' | sed 's/^ *//; s/ .*//')
[ -z "$(echo "$names" | sort | uniq -d)" ] || fail "Depends names a package twice: $depends"

lintian --no-tag-display-limit "$deb" >"$work/lintian.txt" 2>&1 || true
grep '^W:' "$work/lintian.txt" || true
! grep -q '^E:' "$work/lintian.txt" || { cat "$work/lintian.txt"; fail "lintian reports errors"; }

dpkg -x "$deb" "$work/root"
bin=$work/root/usr/bin
updater=$work/root/usr/lib/updater/updater
[ -x "$updater" ] || fail "no updater in /usr/lib/updater"
[ ! -e "$bin/updater" ] || fail "the updater is on PATH"
for page in updater "$@"; do
  gzip -t "$work/root/usr/share/man/man1/$page.1.gz" || fail "no compressed man page for $page"
done
"$updater" --version | grep -qx "updater $version" || fail "updater --version"
# It finds the installed translations from its own folder; with no config.xml it says so.
status=0
LC_ALL=C.UTF-8 LANGUAGE=de "$updater" 2>"$work/message.txt" || status=$?
[ "$status" = 1 ] && grep -q "Konfigurationsdatei" "$work/message.txt" ||
  fail "installed updater's message: status $status, $(cat "$work/message.txt")"
for program in "$@"; do
  "$bin/$program" --help | grep -q "^usage: $program " || fail "$program --help"
  [ "$("$bin/$program" --version)" = "$program $version" ] || fail "$program --version"
done

printf '<config><Version>1.0.0</Version></config>' >"$work/config.xml"
"$bin/xmlcheck" "$work/config.xml" >"$work/check.txt" || fail "xmlcheck status $?"
grep -qx 'sound: yes' "$work/check.txt" || fail "xmlcheck: $(cat "$work/check.txt")"
echo "installed programs run from $work/root"
