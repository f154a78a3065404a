#!/usr/bin/env bash
# Remakes the QTF round-trip corpus (tests/data/qtf) from the Markdown documentation of
# installed Debian packages, with each package's copyright file beside its documents.
# Usage: scripts/qtf-corpus.sh <build dir>   (the build dir holds tools/qel_md2qtf)
set -euo pipefail
tool="$1/tools/qel_md2qtf"
out="$(dirname "$0")/../tests/data/qtf"
# packages under permissive licences (Boost, MIT, Apache-2.0, BSD)
packages=(catch2 python3-pip libbenchmark-dev nlohmann-json3-dev rapidjson-dev googletest)
extra=(/usr/share/doc/nodejs/api/url.md /usr/share/doc/nodejs/api/intl.md /usr/share/doc/nodejs/BUILDING.md)

convert() { # <markdown file> <package>: named by its path in the package's documentation
  local name="${1#/usr/share/doc/$2/}"
  name="${name%.gz}"
  name="${name%.md}"
  name="${name//\//-}"
  mkdir -p "$out/$2"
  case "$1" in
    *.gz) zcat "$1" | "$tool" > "$out/$2/$name.qtf" ;;
    *) "$tool" "$1" > "$out/$2/$name.qtf" ;;
  esac
  if [ "$2" = nodejs ]; then
    head -n 23 /usr/share/doc/nodejs/LICENSE > "$out/$2/copyright" # Node.js's own licence
  else
    cp "/usr/share/doc/$2/copyright" "$out/$2/copyright"
  fi
}

for p in "${packages[@]}"; do
  find "/usr/share/doc/$p" \( -name '*.md' -o -name '*.md.gz' \) | sort | while read -r f; do
    convert "$f" "$p"
  done
done
for f in "${extra[@]}"; do
  convert "$f" nodejs
done
