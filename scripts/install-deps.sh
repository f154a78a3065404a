#!/usr/bin/env bash
# Installs the Debian packages Qel needs, as root or through sudo. Idempotent and quiet when
# everything is present.
#
#   scripts/install-deps.sh          everything: building, the tests, benchmarks and fuzz targets
#   scripts/install-deps.sh --run    only what building the library and its examples, running
#                                    them and using the installed package need
set -euo pipefail

# The library's own dependencies (zlib, libpng, fontconfig and FreeType, GTK 3 and X11) are
# also what a program linking the installed static libraries needs.
run=(
  g++ make cmake ninja-build ccache pkg-config
  zlib1g-dev libpng-dev
  libfontconfig-dev libfreetype-dev fonts-dejavu-core
  libgtk-3-dev libx11-dev
)

# The tests, the benchmarks' peers and the fuzz targets.
test=(
  clang libclang-rt-14-dev lld
  libgtest-dev libgmock-dev libbenchmark-dev
  gzip
  libfmt-dev libmimalloc-dev libjemalloc-dev libicu-dev libabsl-dev
  nlohmann-json3-dev rapidjson-dev
  locales-all
  libpixman-1-dev libcairo2-dev
  libagg-dev
  libstb-dev
  libpugixml-dev libxml2-dev libexpat1-dev
  libimagequant-dev
  libssl-dev libomp-dev
  libspdlog-dev
  fonts-urw-base35
  qpdf poppler-utils
  libharfbuzz-dev libpango1.0-dev
  librsvg2-dev
  libxtst-dev
  xvfb openbox xdotool xclip x11-utils x11-xkb-utils
  libcmark-dev libmd4c-dev
)

case "${1:-}" in
  "") packages=("${run[@]}" "${test[@]}") ;;
  --run) packages=("${run[@]}") ;;
  *) echo "usage: $0 [--run]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
