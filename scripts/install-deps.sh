#!/usr/bin/env bash
# Installs the Debian packages that building, testing and benchmarking Qel need.
# Idempotent and quiet when everything is present.
set -euo pipefail

packages=(
  g++ make cmake ninja-build ccache pkg-config
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev gzip
  libfmt-dev libmimalloc-dev libjemalloc-dev libicu-dev libabsl-dev
  nlohmann-json3-dev rapidjson-dev
  locales-all
  libpixman-1-dev libcairo2-dev
  libagg-dev
  libpng-dev libstb-dev
  libpugixml-dev libxml2-dev libexpat1-dev nlohmann-json3-dev
  libstb-dev libimagequant-dev
  libssl-dev libomp-dev
  libspdlog-dev
  libfontconfig-dev libfreetype-dev fonts-dejavu-core fonts-urw-base35
  qpdf poppler-utils
  libharfbuzz-dev libpango1.0-dev libcairo2-dev
  libagg-dev
  librsvg2-dev
  libgtk-3-dev libxtst-dev
  xvfb openbox xdotool xclip x11-utils x11-xkb-utils
  libcmark-dev libmd4c-dev
)

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
