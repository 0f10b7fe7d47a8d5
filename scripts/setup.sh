#!/usr/bin/env bash
# Installs what Velmora needs on Debian 12 (quietly when all is there), then configures
# and builds into build/. Extra arguments go to the CMake configure step.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake clang clang-format pkg-config libclang-rt-14-dev
  qt6-base-dev libqt6opengl6-dev libgl-dev libglu1-mesa-dev libegl-dev libgl1-mesa-dri
  libfast-float-dev libqhull-dev zlib1g-dev nlohmann-json3-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils imagemagick fonts-dejavu-core desktop-file-utils
  libopencv-core-dev libopencv-calib3d-dev libopencv-features2d-dev libopencv-imgcodecs-dev
  pybind11-dev python3-numpy python3-pytest
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build build -j"$(nproc)"
