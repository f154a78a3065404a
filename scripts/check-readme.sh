#!/usr/bin/env bash
# Fails when a C++ block of README.md is not code of an example program: its lines must stand,
# in a row, in one of examples/*.cpp (tabs there read as four spaces). The examples are built and
# run by the tests, so the code a reader copies from the README compiles and works.
set -euo pipefail
cd "$(dirname "$0")/.."

blocks=$(mktemp -d)
trap 'rm -rf "$blocks"' EXIT
awk -v dir="$blocks" '
	/^```cpp[ \t]*$/ { n++; file = sprintf("%s/%03d", dir, n); inside = 1; printf "" > file; next }
	inside && /^```[ \t]*$/ { inside = 0; close(file); next }
	inside { print > file }
' README.md

status=0
for block in "$blocks"/*; do
  [ -e "$block" ] || continue
  found=
  for example in examples/*.cpp; do
    if awk 'NR == FNR { b[++m] = $0; next } { l[++n] = $0 }
            END { for(i = 1; i + m - 1 <= n; i++) { for(j = 1; j <= m && l[i + j - 1] == b[j]; j++); if(j > m) exit 0 } exit 1 }' \
         "$block" <(expand -t4 "$example"); then
      found=$example; break
    fi
  done
  if [ -z "$found" ]; then
    echo "README.md: this block is in no example program:"; sed 's/^/  | /' "$block"
    status=1
  fi
done
exit $status
