#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 gammacrypt developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Shared set-up of run.sh and test.sh: installs the Debian packages that are missing,
# then configures and builds into build/. Sourced, with "run" or "test" as argument.
set -euo pipefail

purpose=${1:-run}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# What the program needs to build and to look right.
packages=(cmake ninja-build g++ qtbase5-dev qtbase5-dev-tools fonts-liberation2 libbenchmark-dev)
# The window icon is an SVG (Qt's SVG icon engine); the menu icons are rendered from it.
packages+=(libqt5svg5 librsvg2-bin)
# gammacrypt-lab draws its plots with Qt Charts.
packages+=(libqt5charts5-dev)
# Qt's own texts (standard buttons, file dialogs, the tool's --help) in the user's language.
packages+=(qttranslations5-l10n)
# bench/cli_bench.sh measures time and peak memory with /usr/bin/time -v.
packages+=(time)
# bench/attack_bench reads the manual pages' gzip files with zlib.
packages+=(zlib1g-dev)
# What the tests need besides.
if [ "$purpose" = test ]; then
    packages+=(xauth xvfb clang-14 libclang-rt-14-dev)
    # The second build, against Qt 6; Windows-1251 comes from its Core5Compat module.
    # Qt 6's Charts module needs the OpenGL module's CMake files, which qt6-charts-dev does not
    # pull in itself.
    packages+=(qt6-base-dev qt6-base-dev-tools qt6-5compat-dev libqt6svg6 qt6-translations-l10n
        qt6-charts-dev libqt6opengl6-dev)
    # Validating the desktop metadata and manual pages, building and unpacking the .deb.
    packages+=(desktop-file-utils appstream man-db file dpkg-dev)
    # Checking the .deb as a distribution would.
    packages+=(lintian)
    # setfacl and getfacl: the file tests check that a written file keeps its ACL.
    packages+=(acl)
    # bench/attack_bench's plain lines, texts the language model was not counted from:
    # literature and sayings, and technical text (Russian manual pages).
    packages+=(fortunes-ru manpages-ru)
fi

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing missing Debian packages: ${missing[*]}"
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

# The benchmarks are asked for by name: a plain configure leaves them out where Google
# Benchmark is missing, and a tree first configured that way must not stay without them.
build_dir="$root/build"
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DGAMMACRYPT_BUILD_BENCHMARKS=ON
elif grep -qx 'GAMMACRYPT_BUILD_BENCHMARKS:BOOL=OFF' "$build_dir/CMakeCache.txt"; then
    cmake -S "$root" -B "$build_dir" -DGAMMACRYPT_BUILD_BENCHMARKS=ON
fi
cmake --build "$build_dir" --parallel "$(nproc)"
