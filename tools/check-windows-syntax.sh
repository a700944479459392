#!/usr/bin/env bash
# Compiles, syntax only, every source of the Windows build (the panel, its libraries and the
# program's start-up) with MinGW-w64's g++ against Debian's Qt headers, and the resource record
# (version, icon) with its windres: what a Linux machine can tell of the Windows build.
# It cannot link, run moc, nor see Qt's Windows configuration (the headers are Linux's, read
# with _WIN32 defined), MSVC's warnings, CMake's Windows generation or Qt's deployment.
# Needs g++-mingw-w64-x86-64-posix (binutils-mingw-w64-x86-64 comes with it).
set -euo pipefail
cd "$(dirname "$0")/.."

compiler=x86_64-w64-mingw32-g++-posix
command -v "$compiler" >/dev/null || compiler=x86_64-w64-mingw32-g++
windres=x86_64-w64-mingw32-windres
qt=$(qmake6 -query QT_INSTALL_HEADERS 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt6)

# The generated version header, from a configure of its own (no build).
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake -S . -B "$scratch" -G Ninja -DBUILD_TESTING=OFF -DTOVRAN_MANPAGES=OFF >/dev/null

includes=(-I"$scratch/generated" -I. -Iprotocol -Iconnection -Irigctl -Ipanel -isystem "$qt")
for module in QtCore QtGui QtWidgets QtNetwork QtSerialPort; do
    includes+=(-isystem "$qt/$module")
done

sources=(main.cpp CommandLine.cpp protocol/*.cpp connection/*.cpp rigctl/*.cpp panel/*.cpp)
failed=0
for source in "${sources[@]}"; do
    if ! "$compiler" -std=c++20 -fsyntax-only -Wall -Wextra -DUNICODE -D_UNICODE \
        "${includes[@]}" "$source"; then
        echo "FAILED: $source"
        failed=1
    fi
done
if ! "$windres" -I"$scratch/generated" -Iresources -O coff -o "$scratch/tovran.res.o" \
    resources/tovran.rc; then
    echo "FAILED: resources/tovran.rc"
    failed=1
fi
echo "checked ${#sources[@]} sources and resources/tovran.rc: $( ((failed)) && echo errors || echo clean)"
exit "$failed"
