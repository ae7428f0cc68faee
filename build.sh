#!/usr/bin/env bash
# Installs what is missing, builds, then starts the program or runs the tests.
#   bash build.sh run     build and start ネルファ送り状印刷
#   bash build.sh test    build and run every test
#   bash build.sh build   only build
#   bash build.sh package build the Debian package nerufa-slip_<version>_amd64.deb
#                         (a release build in build-package/, installed under /usr)
# BUILD_DIR (default: build, build-package for the package) chooses the build
# folder; CMAKE_ARGS are passed to CMake as they are.
set -euo pipefail
cd "$(dirname "$0")"

action=${1:-run}
build_dir=${BUILD_DIR:-build}
cmake_args=()
if [ "$action" = package ]; then
  # Debian's compiler and linker flags (hardening included), no tests.
  build_dir=${BUILD_DIR:-build-package}
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  cmake_args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DBUILD_TESTING=OFF -DNERUFA_BENCH=OFF)
fi

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
  fonts-ipafont-gothic
  poppler-utils cups-daemon cups-client libcups2-dev
  libcsv-dev skkdic-extra
  libqt6sql6-sqlite libqt6sql6-psql postgresql sqlite3
  xvfb xauth desktop-file-utils locales
  dpkg-dev file
  dbus-daemon dbus-bin xdotool procps
  fcitx5 fcitx5-mozc fcitx5-frontend-qt6 ibus ibus-mozc
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The number tests switch the C library to de_DE.UTF-8 (a decimal comma),
# which Debian does not generate by default.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

if [ "$action" = package ]; then
  cmake_args+=("-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
               "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)")
fi
# shellcheck disable=SC2086
cmake -S . -B "$build_dir" "${cmake_args[@]}" ${CMAKE_ARGS:-}
cmake --build "$build_dir" -j"$(nproc)"

case "$action" in
  run)
    exec "$build_dir/app/nerufa-slip"
    ;;
  test)
    cd "$build_dir"
    ctest --output-on-failure -j"$(nproc)"
    ;;
  build)
    ;;
  package)
    (cd "$build_dir" && cpack -G DEB)
    ls "$build_dir"/nerufa-slip_*_amd64.deb
    ;;
  *)
    echo "usage: bash build.sh [run|test|build|package]" >&2
    exit 2
    ;;
esac
