#!/bin/sh
# deb_test.sh CPACK BUILD_DIR VERSION PROGRAM...: builds the .deb of BUILD_DIR, checks its Depends,
# unpacks it into a temporary root and runs the installed programs there.
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

dpkg -x "$deb" "$work/root"
bin=$work/root/usr/bin
[ -x "$bin/updater" ] || fail "no updater"
for page in updater "$@"; do
  [ -f "$work/root/usr/share/man/man1/$page.1" ] || fail "no man page for $page"
done
for program in "$@"; do
  "$bin/$program" --help | grep -q "^usage: $program " || fail "$program --help"
  [ "$("$bin/$program" --version)" = "$program $version" ] || fail "$program --version"
done

printf '<config><Version>1.0.0</Version></config>' >"$work/config.xml"
"$bin/xmlcheck" "$work/config.xml" >"$work/check.txt" || fail "xmlcheck status $?"
grep -qx 'sound: yes' "$work/check.txt" || fail "xmlcheck: $(cat "$work/check.txt")"
echo "installed programs run from $work/root"
