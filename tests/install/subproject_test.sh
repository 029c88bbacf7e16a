#!/usr/bin/env bash
# Builds a small application that add_subdirectory()s Kestrel's source
# tree, and runs it. The consumer's CMakeLists checks that only the
# library's targets came along.
#
#   subproject_test.sh CMAKE SOURCE_DIR CXX GENERATOR
set -euo pipefail
cmake=$1 source=$2 cxx=$3 generator=$4

work=$(mktemp -d /tmp/kestrel-subproject-XXXXXX)
trap 'rm -rf "$work"' EXIT

"$cmake" -S "$source/tests/install/subproject" -B "$work/build" -G "$generator" \
  -DCMAKE_CXX_COMPILER="$cxx" -DKESTREL_SOURCE_DIR="$source" \
  -DHELLO_SOURCE="$source/examples/hello.cpp" >"$work/configure.log" 2>&1 ||
  { cat "$work/configure.log"; echo "FAIL: the subproject does not configure" >&2; exit 1; }
"$cmake" --build "$work/build" --target app -j2 >"$work/build.log" 2>&1 ||
  { tail -n 40 "$work/build.log"; echo "FAIL: the subproject does not build" >&2; exit 1; }
"$work/build/app" "$work/app.db" | grep -q "kept in a record: Kestrel" ||
  { echo "FAIL: the subproject's program failed" >&2; exit 1; }
echo "subproject test passed"
