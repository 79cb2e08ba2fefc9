#!/usr/bin/env bash
# Installs a build of this project into a temporary prefix, then configures,
# builds and runs the consumer project against the installed package only.
# usage: install_test.sh CMAKE BUILD_DIR CONSUMER_SOURCE_DIR GENERATOR C_COMPILER CXX_COMPILER
set -euo pipefail
cmake=$1 build=$2 consumer=$3 generator=$4 cc=$5 cxx=$6
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$cmake" --install "$build" --prefix "$tmp/prefix" > "$tmp/install.log"
for f in include/pipeflow.h include/flowmodel/flowmodel.hpp; do
  [ -f "$tmp/prefix/$f" ] || { echo "FAIL: $f not installed"; exit 1; }
done
ls "$tmp"/prefix/lib*/libflowmodel.a > /dev/null || { echo "FAIL: library not installed"; exit 1; }
if [ -e "$build/bin/pipeflow" ]; then
  "$tmp/prefix/bin/pipeflow" eval > /dev/null || { echo "FAIL: installed pipeflow command"; exit 1; }
fi

# Only the prefix is searched: the build tree is not on any path.
"$cmake" -S "$consumer" -B "$tmp/build" -G "$generator" -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
      -DCMAKE_PREFIX_PATH="$tmp/prefix" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF > "$tmp/configure.log" ||
  { cat "$tmp/configure.log"; exit 1; }
"$cmake" --build "$tmp/build" -j2 > "$tmp/build.log" || { cat "$tmp/build.log"; exit 1; }
c_out=$("$tmp/build/consumer_c")
cpp_out=$("$tmp/build/consumer_cpp" 2> "$tmp/regime.txt")
echo "C:   $c_out"
echo "C++: $cpp_out ($(cat "$tmp/regime.txt"))"
[ "$c_out" = "$cpp_out" ] || { echo "FAIL: the C and C++ programs disagree"; exit 1; }

# A project that enables only C links the package too.
"$cmake" -S "$consumer" -B "$tmp/build-c" -G "$generator" -DCMAKE_C_COMPILER="$cc" -DCONSUMER_C_ONLY=ON \
      -DCMAKE_PREFIX_PATH="$tmp/prefix" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF > "$tmp/configure-c.log" ||
  { cat "$tmp/configure-c.log"; exit 1; }
"$cmake" --build "$tmp/build-c" -j2 > "$tmp/build-c.log" || { cat "$tmp/build-c.log"; exit 1; }
[ "$("$tmp/build-c/consumer_c")" = "$c_out" ] || { echo "FAIL: the C-only project's program differs"; exit 1; }
echo "install and consumer test passed"
