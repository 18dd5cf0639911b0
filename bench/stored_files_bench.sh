#!/bin/bash
# Reading back stored files: a 10,000-clip timeline description and a
# 300-profile catalogue, loaded through the program's readers. Prints the
# best and median wall seconds and the best processor seconds of 7 loads.
#
#   bench/stored_files_bench.sh [build folder]   (default: build/release, an optimised build)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${1:-$root/build/release}"

if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFABLECUT_SANITIZE=OFF > /dev/null
fi
cmake --build "$build" --target stored_files_bench -j"${JOBS:-4}" > /dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
echo "case runs best_s median_s best_cpu_s"
"$build/bin/stored_files_bench" "$work" "$root/resources/profile"
