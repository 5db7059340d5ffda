#!/bin/sh
# example_test.sh BUILD_DIR EXAMPLES_DIR GENERATOR CXX [CXXFLAGS]: installs BUILD_DIR into a
# temporary prefix, builds the example against it with find_package and again with pkg-config,
# runs both, and compiles every installed header on its own include path.
set -eu
build=$1 examples=$2 generator=$3 cxx=$4 cxxflags=${5:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
quiet() { "$@" >"$work/log" 2>&1 || { cat "$work/log"; fail "$*"; }; }

prefix=$work/prefix
quiet cmake --install "$build" --prefix "$prefix"
quiet cmake -S "$examples" -B "$work/build" -G "$generator" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_PREFIX_PATH="$prefix"
quiet cmake --build "$work/build"

# UTF-8 with a byte-order mark and CR LF line ends: both kept by the save.
file=$work/config.xml
printf '\357\273\277<config>\r\n<Exe>main</Exe>\r\n<Version>1.0.0</Version>\r\n</config>\r\n' >"$file"
[ "$("$work/build/set_child" "$file" Version '2.0 & up')" = "1.0.0" ] || fail "read before the edit"
printf '\357\273\277<config>\r\n<Exe>main</Exe>\r\n<Version>2.0 &amp; up</Version>\r\n</config>\r\n' \
  >"$work/expected.xml"
cmp "$file" "$work/expected.xml" || fail "saved file: $(cat "$file")"
status=0
"$work/build/set_child" "$file" Missing 2>/dev/null || status=$?
[ "$status" -eq 1 ] || fail "missing child: status $status"

export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
flags=$(pkg-config --cflags --libs updater) || fail "pkg-config"
# shellcheck disable=SC2086 # the flags are words
quiet "$cxx" -std=c++20 $cxxflags "$examples/set_child.cpp" $flags -o "$work/set_child"
[ "$("$work/set_child" "$file" Version)" = "2.0 & up" ] || fail "pkg-config build"

( cd "$prefix/include/updater" && find . -name '*.h' | sed 's|^\./\(.*\)|#include "\1"|' ) \
  >"$work/all_headers.cpp"
# shellcheck disable=SC2046,SC2086
quiet "$cxx" -std=c++20 -fsyntax-only $(pkg-config --cflags updater) "$work/all_headers.cpp"
echo "example built and run against $prefix"
