#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need,
# asking dpkg first so that nothing is fetched when everything is there.
set -euo pipefail

packages=(
  g++ make cmake pkg-config dpkg-dev
  freeglut3-dev libglew-dev libglu1-mesa-dev libgl-dev libgl1-mesa-dri
  libx11-dev libxi-dev libxcb1-dev
  libfreetype-dev libfontconfig-dev fonts-dejavu-core
  libgtest-dev libbenchmark-dev zlib1g-dev
  xvfb xfonts-base xdotool x11-apps x11-utils xclip imagemagick python3
  lintian desktop-file-utils openbox
)
# `install_deps.sh fuzz`: also the compiler and runtime of the fuzz targets.
if [[ "${1:-}" == "fuzz" ]]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  exit 0
fi

cmd="apt-get install -y --no-install-recommends ${missing[*]}"
if [[ $(id -u) -ne 0 ]]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run as root: apt-get update && $cmd" >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
