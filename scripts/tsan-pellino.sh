#!/usr/bin/env bash
# Builds the playback engine and its tests with ThreadSanitizer in
# build/tsan and runs them (the engine's own threads, the clock and the
# callbacks) and the frame player's settings, changed while it plays.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
flags="-fsanitize=thread -fno-omit-frame-pointer -O1"
cmake -S "$root" -B "$root/build/tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread
cmake --build "$root/build/tsan" -j4 --target test_Pellino test_vdcframeplayer
cd "$root/build/tsan"
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$root/tests/tsan.supp"
export QT_QPA_PLATFORM=offscreen
./tests-bin/test_Pellino
# The clip's settings changed at a thousand a second while it plays.
./tests-bin/test_vdcframeplayer --gtest_filter='*Settings*:*Seeks*:*Effects*'
