#!/usr/bin/env bash
# Builds the Windows program on Debian 12 with MinGW-w64 and the shared Qt for Windows, and
# packs it: build-windows/tovran-<version>-win64.zip (a portable folder) and
# build-windows/tovran-<version>-win64.exe (an installer). Run as root: it installs what it needs
# with apt-get first.
#   --no-install   skip apt-get (what the Wine test uses)
#   --build DIR    build there instead of build-windows
#   --test         then run the Windows program under Wine (CTest's windows_wine, in
#                  build-tests/), installing Wine, Xvfb and the Linux build's needs first
# TOVRAN_WINDOWS_QT names the Qt archive (default: ../shared/windows/qt-6.4.2-mingw-w64.tar.xz
# beside the checkout).
set -euo pipefail
cd "$(dirname "$0")/.."

install=1
build=build-windows
test=0
while (($#)); do
    case "$1" in
        --no-install) install=0 ;;
        --build) build=$2; shift ;;
        --test) test=1 ;;
        *) echo "usage: $0 [--no-install] [--build DIR] [--test]" >&2; exit 2 ;;
    esac
    shift
done

if ((install)); then
    # The cross compiler, Debian's moc/rcc/uic (the same 6.4.2 as the Windows Qt) and their
    # CMake files, Qt's French texts, the installer maker.
    packages=(cmake ninja-build xz-utils g++-mingw-w64-x86-64-posix qt6-base-dev
              qt6-base-dev-tools qt6-translations-l10n nsis)
    # The Wine run: Wine itself, a private display, the operator's hands and eyes.
    ((test)) && packages+=(wine wine64 xvfb xauth xdotool imagemagick)
    missing=()
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
fi

archive=${TOVRAN_WINDOWS_QT:-../shared/windows/qt-6.4.2-mingw-w64.tar.xz}
if [[ ! -f $archive ]]; then
    echo "no Qt for Windows at $archive (set TOVRAN_WINDOWS_QT)" >&2
    exit 1
fi
archive=$(realpath "$archive")

# Qt unpacked once beside the build, again when the archive changes.
mkdir -p "$build"
build=$(realpath "$build")
qt=$build/qt6-mingw
stamp=$(stat -c '%s %Y' "$archive")
if [[ ! -f $qt/.unpacked || $(cat "$qt/.unpacked") != "$stamp" ]]; then
    rm -rf "$qt"
    tar xf "$archive" -C "$build"
    echo "$stamp" >"$qt/.unpacked"
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DCMAKE_PREFIX_PATH="$qt" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >/dev/null
nice cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G ZIP >/dev/null && cpack -G NSIS >/dev/null)
ls "$build"/tovran-*-win64.zip "$build"/tovran-*-win64.exe

if ((test)); then
    ((install)) && bash scripts/install-dependencies.sh
    cmake -S . -B build-tests -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
    nice cmake --build build-tests -j "$(nproc)" --target tovran-virtual-radio pty_modem_lines
    ctest --test-dir build-tests -R '^windows_wine$' --output-on-failure -V
fi
