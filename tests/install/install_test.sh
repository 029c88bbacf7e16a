#!/usr/bin/env bash
# Installs a build of Kestrel into a temporary prefix and uses it as an
# application would: every header compiles alone, the libraries carry
# their SONAMEs, examples/hello.cpp builds through the CMake package and
# through pkg-config and runs, and the installed kestrel-sql runs.
#
#   install_test.sh CMAKE BUILD_DIR SOURCE_DIR CXX GENERATOR [CXXFLAGS]
# EXPECT_TOOLS=0 when the build has no kestrel-sql; EXPECT_ENGINE=0 when it
# links the vendor's client library instead of the embedded engine.
set -euo pipefail
cmake=$1 build=$2 source=$3 cxx=$4 generator=$5 flags=${6:-}

work=$(mktemp -d /tmp/kestrel-install-XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log"

libdir=$(dirname "$(find "$prefix" -name 'libkestrel.so' | head -n 1)")
[ -d "$libdir" ] || fail "no libkestrel.so under $prefix"
libs=kestrel
[ "${EXPECT_ENGINE:-1}" = 0 ] || libs="kestrel kestrel_engine"
for lib in $libs; do
  so=$libdir/lib$lib.so.0
  [ -e "$so" ] || fail "missing $so"
  readelf -d "$so" | grep -q "Library soname: \[lib$lib.so.0\]" ||
    fail "lib$lib has no SONAME lib$lib.so.0"
done
if [ "${EXPECT_TOOLS:-1}" != 0 ]; then
  [ -x "$prefix/bin/kestrel-sql" ] || fail "kestrel-sql not installed"
fi
[ -e "$libdir/pkgconfig/kestrel.pc" ] || fail "kestrel.pc not installed"
[ -e "$libdir/cmake/Kestrel/KestrelConfig.cmake" ] || fail "no CMake package"

echo "-- every installed header compiles on its own"
for header in "$prefix"/include/kestrel/*.h; do
  echo "#include \"$(basename "$header")\"" |
    $cxx -std=c++17 $flags -Wall -Wextra -Wpedantic -Werror -fsyntax-only \
      -x c++ -I"$prefix/include/kestrel" - ||
    fail "$(basename "$header") does not compile alone"
done

check_hello() {  # PROGRAM DATABASE
  rm -f "$2"
  "$1" "$2" >"$work/hello.out" 2>&1 || { cat "$work/hello.out"; fail "$1 failed"; }
  grep -q "kept in a record: Kestrel" "$work/hello.out" ||
    { cat "$work/hello.out"; fail "$1 printed the wrong thing"; }
}

echo "-- hello through find_package(Kestrel CONFIG)"
"$cmake" -S "$source/tests/install/consumer" -B "$work/consumer" -G "$generator" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_PREFIX_PATH="$prefix" -DEXPECTED_PREFIX="$prefix" \
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF \
  -DHELLO_SOURCE="$source/examples/hello.cpp" >"$work/consumer.log" ||
  { cat "$work/consumer.log"; fail "the CMake consumer does not configure"; }
"$cmake" --build "$work/consumer" >>"$work/consumer.log" ||
  { cat "$work/consumer.log"; fail "the CMake consumer does not build"; }
check_hello "$work/consumer/hello" "$work/cmake.db"

echo "-- hello through pkg-config"
export PKG_CONFIG_PATH=$libdir/pkgconfig
[ "$(pkg-config --modversion kestrel)" = "$(sed -n 's/^Version: //p' "$libdir/pkgconfig/kestrel.pc")" ] ||
  fail "pkg-config does not read kestrel.pc"
# shellcheck disable=SC2046
$cxx $flags "$source/examples/hello.cpp" -o "$work/hello-pc" \
  $(pkg-config --cflags --libs kestrel) || fail "hello does not build with pkg-config"
LD_LIBRARY_PATH=$libdir check_hello "$work/hello-pc" "$work/pc.db"

if [ "${EXPECT_TOOLS:-1}" != 0 ]; then
  echo "-- the installed kestrel-sql"
  out=$("$prefix/bin/kestrel-sql" --create "u/p@$work/sql.db" "select 6 * 7 as answer")
  echo "$out" | grep -q "^    42$" || fail "installed kestrel-sql printed: $out"
fi

echo "install test passed"
