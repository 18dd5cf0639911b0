#!/usr/bin/env bash
# Checks that every C++ source of the project follows .clang-format, file by
# file, as the pinned clang-format lays it out. Prints the files and lines to
# change and fails; `clang-format-14 -i <file>` rewrites a file. Reads only:
# nothing is written, so a run killed half-way leaves nothing behind. Exits 77
# (skipped) where the pinned clang-format is not installed.
set -euo pipefail
cd "$(dirname "$0")/.."

formatter=$(command -v clang-format-14 || true)
if [ -z "$formatter" ]; then
  echo "clang-format-14 is not installed (scripts/install-deps.sh installs it): nothing checked"
  exit 77
fi

# The files: what git tracks in a checkout, else every C++ file outside the
# build folders.
list_files() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z -- '*.c' '*.cc' '*.cpp' '*.h' '*.hpp'
  else
    find . -path ./build -prune -o -path './.git' -prune -o \
      -type f \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \) -print0
  fi
}

jobs=$(nproc 2>/dev/null || echo 2)
out=$(list_files | xargs -0 -r -n 16 -P "$jobs" "$formatter" --dry-run -Werror --ferror-limit=3 2>&1) && status=0 || status=$?
if [ "$status" -eq 0 ] && [ -z "$out" ]; then
  echo "every C++ file follows .clang-format"
  exit 0
fi
echo "These files do not follow .clang-format (run: clang-format-14 -i <file>):"
echo "$out" | grep -E '^[^ ].*: (error|warning):' | cut -d: -f1 | sort -u
echo
echo "$out" | head -n 60
exit 1
