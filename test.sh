#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 gammacrypt developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs what is missing, builds, and runs every test headless; then the same tests built
# against Qt 6 and in a sanitizer build, and the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh test

export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --parallel "$(nproc)" --timeout 300

# The same sources and suite built against Qt 6.
if [ ! -f build-qt6/build.ninja ]; then
    cmake -S . -B build-qt6 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGAMMACRYPT_QT_MAJOR=6
fi
cmake --build build-qt6 --parallel "$(nproc)"
ctest --test-dir build-qt6 --output-on-failure --parallel "$(nproc)" --timeout 300

# The whole suite again, built with AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer: any finding aborts its test. The suppressions cover Qt's own leaks only.
asan_flags="-O1 -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=all"
if [ ! -f build-asan/build.ninja ]; then
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DGAMMACRYPT_BUILD_BENCHMARKS=OFF -DCMAKE_CXX_FLAGS="$asan_flags" \
        -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
fi
cmake --build build-asan --parallel "$(nproc)"
ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 \
    LSAN_OPTIONS=suppressions="$PWD/tests/lsan-suppressions.txt" \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure --parallel "$(nproc)" --timeout 300

# Every fuzz target for GAMMACRYPT_FUZZ_SECONDS (20 by default) each.
fuzz/run.sh
