#!/usr/bin/env bash
# Lists the functions of platform/, src/ and worker/ longer than 150 lines
# (from the line that names them to their closing brace), longest first, as
# "<lines> <file>:<line> <name>". Function extents are universal-ctags' view
# of the code; a lambda is counted with the function it is written in.
#
#   scripts/long-functions.sh            list them (limit: LIMIT, default 150)
#   scripts/long-functions.sh --check    also fail when there is one
#
# Reads only. Exits 77 (skipped) where universal-ctags is not installed.
set -euo pipefail
cd "$(dirname "$0")/.."

limit=${LIMIT:-150}
check=0
[ "${1:-}" = "--check" ] && check=1

ctags=$(command -v ctags-universal || command -v universal-ctags || command -v ctags || true)
if [ -z "$ctags" ] || ! "$ctags" --version 2>/dev/null | grep -q "Universal Ctags"; then
  echo "universal-ctags is not installed (scripts/install-deps.sh installs it): nothing checked"
  exit 77
fi

# The files: what git tracks in a checkout, else every C++ file of the folders.
list_files() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -- 'platform/*' 'src/*' 'worker/*' | grep -E '\.(c|cc|cpp|h|hpp)$' || true
  else
    find platform src worker -type f \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \)
  fi
}

long=$(list_files | "$ctags" -L - -x --languages=C++ --map-C++=+.h --kinds-C++=f --fields=+ne \
  --_xformat='%{end} %{line} %F %N' 2>/dev/null |
  awk -v limit="$limit" '$1 != "" && $4 !~ /^__anon/ { n = $1 - $2 + 1; if (n > limit) print n, $3 ":" $2, $4 }' |
  sort -k1,1nr -k2,2)

if [ -z "$long" ]; then
  echo "no function in platform/, src/ or worker/ is longer than $limit lines"
  exit 0
fi

failing=$(printf '%s\n' "$long" | wc -l)
echo "$long"

if [ "$check" -eq 1 ] && [ "$failing" -gt 0 ]; then
  echo "$failing function(s) longer than $limit lines: split them"
  exit 1
fi
exit 0
