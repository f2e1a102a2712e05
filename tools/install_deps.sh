#!/usr/bin/env bash
# Installs the Debian packages a make target needs, asking dpkg first so that
# nothing is fetched when everything is there.
#   install_deps.sh        building, running, installing and packaging (make run)
#   install_deps.sh test   that, and the tests' and benchmarks' tools (make test)
#   install_deps.sh fuzz   that, and the fuzz targets' compiler (make fuzz)
set -euo pipefail

packages=(
  g++ make cmake pkg-config dpkg-dev
  freeglut3-dev libglew-dev libglu1-mesa-dev libgl-dev libgl1-mesa-dri
  libx11-dev libxi-dev libxcb1-dev
  libfreetype-dev libfontconfig-dev fonts-dejavu-core
)
case "${1:-run}" in
  run) ;;
  test|fuzz)
    packages+=(
      libgtest-dev libbenchmark-dev zlib1g-dev python3
      xvfb xfonts-base xdotool x11-apps x11-utils xclip imagemagick openbox
      lintian desktop-file-utils appstream
    )
    if [[ "$1" == "fuzz" ]]; then
      packages+=(clang libclang-rt-14-dev)
    fi
    ;;
  *)
    echo "usage: $0 [run|test|fuzz]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  exit 0
fi

echo "Packages to install (${#missing[@]}): ${missing[*]}"
install="apt-get install -y --no-install-recommends ${missing[*]}"
if [[ $(id -u) -ne 0 ]]; then
  echo "Installing packages needs root. Run this, then the same make command again:" >&2
  echo "  sudo sh -c 'apt-get update && $install'" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
