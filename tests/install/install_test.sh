#!/usr/bin/env bash
# Installs a build of Kestrel into a temporary prefix and uses it as an
# application would: every header compiles alone as <kestrel/NAME> with
# only the prefix's include/ on the path, the libraries carry their
# SONAMEs, examples/hello.cpp (#include <kestrel/Kestrel.h>) builds
# through the CMake package and through pkg-config and runs, also beside
# an oci.h of the application's own, and the installed kestrel-sql runs.
#
#   install_test.sh CMAKE BUILD_DIR SOURCE_DIR CXX GENERATOR [CXXFLAGS]
# EXPECT_TOOLS=0 when the build has no kestrel-sql; EXPECT_ENGINE=0 when it
# links the vendor's client library instead of the embedded engine;
# EXPECT_SOVERSION is the SONAME's version (0.MINOR before 1.0).
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
soversion=${EXPECT_SOVERSION:?}
for lib in $libs; do
  so=$libdir/lib$lib.so.$soversion
  [ -e "$so" ] || fail "missing $so"
  readelf -d "$so" | grep -q "Library soname: \[lib$lib.so.$soversion\]" ||
    fail "lib$lib has no SONAME lib$lib.so.$soversion"
done
if [ "${EXPECT_TOOLS:-1}" != 0 ]; then
  [ -x "$prefix/bin/kestrel-sql" ] || fail "kestrel-sql not installed"
fi
[ -e "$libdir/pkgconfig/kestrel.pc" ] || fail "kestrel.pc not installed"
[ -e "$libdir/cmake/Kestrel/KestrelConfig.cmake" ] || fail "no CMake package"

echo "-- every installed header compiles on its own as <kestrel/NAME>"
for header in "$prefix"/include/kestrel/*.h; do
  echo "#include <kestrel/$(basename "$header")>" |
    $cxx -std=c++17 $flags -Wall -Wextra -Wpedantic -Werror -fsyntax-only \
      -x c++ -I"$prefix/include" - ||
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
pkg-config --cflags kestrel | grep -q -- "-I[^ ]*/include/kestrel" &&
  fail "pkg-config puts include/kestrel on the path: $(pkg-config --cflags kestrel)"

echo "-- an application with an oci.h of its own"
# Kestrel's include path comes first: its headers must not hide the
# application's oci.h, nor take it in place of their own.
mkdir -p "$work/own/include"
echo '#define APPLICATION_OCI_H 1' >"$work/own/include/oci.h"
{ echo '#include <oci.h>'
  cat "$source/examples/hello.cpp"
  echo 'static_assert(APPLICATION_OCI_H, "the application got the wrong oci.h");'
} >"$work/own/hello.cpp"
# shellcheck disable=SC2046
$cxx $flags $(pkg-config --cflags kestrel) -I"$work/own/include" \
  "$work/own/hello.cpp" -o "$work/hello-own" $(pkg-config --libs kestrel) ||
  fail "an application with its own oci.h does not build"
LD_LIBRARY_PATH=$libdir check_hello "$work/hello-own" "$work/own.db"

if [ "${EXPECT_TOOLS:-1}" != 0 ]; then
  echo "-- the installed kestrel-sql"
  out=$("$prefix/bin/kestrel-sql" --create "u/p@$work/sql.db" "select 6 * 7 as answer")
  echo "$out" | grep -q "^    42$" || fail "installed kestrel-sql printed: $out"
fi

echo "install test passed"
