#!/usr/bin/env bash
# Checks that every C++ line changed since the layout rules came in (or since
# the commit given) follows .clang-format. Prints the lines to change and
# fails; `git clang-format <commit>` rewrites them. Exits 77 (skipped) outside
# a git checkout or in a clone too shallow to hold that commit.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  echo "not a git checkout: nothing to compare"
  exit 77
fi
base=${1:-$(git log --diff-filter=A --format=%H -- .clang-format | tail -n 1)}
if [ -z "$base" ] || ! git cat-file -e "$base^{commit}" 2>/dev/null; then
  echo "the commit that brought the layout rules is not in this clone: nothing to compare"
  exit 77
fi

out=$(git clang-format --binary "$(command -v clang-format)" --diff --extensions c,cc,cpp,h,hpp "$base" -- . 2>&1) || true
case "$out" in
  ""|"no modified files to format"*|"clang-format did not modify any files"*)
    echo "every C++ line changed since ${base:0:12} follows .clang-format"
    exit 0 ;;
esac
echo "These changed lines do not follow .clang-format (run: git clang-format ${base:0:12}):"
echo "$out"
exit 1
