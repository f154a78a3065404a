#!/usr/bin/env bash
# Fails when a C++ block of README.md is not the whole of an example program (tabs there read as
# four spaces), or when an example program the README names (`examples/NAME.cpp`) is not shown in
# a block. The examples are built and run by the tests, so the code a reader copies from the
# README compiles and works, and a line added to an example cannot go missing from the README.
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
shown=()
for block in "$blocks"/*; do
  [ -e "$block" ] || continue
  found=
  for example in examples/*.cpp; do
    if cmp -s "$block" <(expand -t4 "$example"); then
      found=$example; break
    fi
  done
  if [ -z "$found" ]; then
    echo "README.md: this block is no example program as a whole:"; sed 's/^/  | /' "$block"
    status=1
  else
    shown+=("$found")
  fi
done
named=$(grep -o 'examples/[A-Za-z0-9_]*\.cpp' README.md | sort -u || true)
if [ -z "$named" ]; then
  echo "README.md: names no example program"; status=1
fi
for example in $named; do
  if [[ " ${shown[*]} " != *" $example "* ]]; then
    echo "README.md: names $example but shows no block of it"; status=1
  fi
done
exit $status
