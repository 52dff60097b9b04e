#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 gammacrypt developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Builds the libFuzzer targets with clang into build-fuzz/ and runs each one for a bounded
# time: GAMMACRYPT_FUZZ_SECONDS (20 by default) per target. The committed seeds and every
# earlier finding in fuzz/regressions/ run first. Fails when any target finds anything;
# the input that broke it is left in build-fuzz/findings/.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${GAMMACRYPT_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${GAMMACRYPT_FUZZ_SECONDS:-20}
targets=(gamma key document bytecipher attack)

# Every library the targets reach carries the coverage instrumentation, and all of it the
# address and undefined-behaviour checks.
flags="-O1 -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined"
flags+=" -fno-sanitize-recover=all"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_CXX_FLAGS="$flags" \
        -DGAMMACRYPT_BUILD_FUZZERS=ON -DGAMMACRYPT_BUILD_TESTS=OFF \
        -DGAMMACRYPT_BUILD_BENCHMARKS=OFF >/dev/null
fi
cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]/#/fuzz_}"

# Longest input per target: gamma and bytecipher lines must outgrow the generator's period
# and the widest loop many times over.
# attack's lines are short (the target cuts them at 32 characters). A search on one mostly
# ends within a second in a release build, and instrumented as here it runs some 20 to 30
# times slower; a known beginning that few keys satisfy still costs a few seconds (57 s
# instrumented), so the limit is 120 s: it catches a search that never ends, not a slow one.
declare -A max_len=([gamma]=8192 [key]=256 [document]=4096 [bytecipher]=4096 [attack]=200)
declare -A timeout=([attack]=120)

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/findings" "$build/logs"
failed=()
for target in "${targets[@]}"; do
    corpus=$build/corpus/$target
    mkdir -p "$corpus"
    inputs=("$corpus" "$root/fuzz/corpus/$target")
    [ -d "$root/fuzz/regressions/$target" ] && inputs+=("$root/fuzz/regressions/$target")
    log=$build/logs/$target.log
    if "$build/fuzz/fuzz_$target" "${inputs[@]}" -max_total_time="$seconds" \
        -max_len="${max_len[$target]}" -timeout="${timeout[$target]:-10}" -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$target-" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        units=$(grep -o 'corp: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
        echo "fuzz_$target: $runs executions in ${seconds} s, corpus of ${units:-?} inputs, no finding"
    else
        echo "fuzz_$target: FINDING (log $log)"
        tail -n 40 "$log"
        failed+=("$target")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzing found faults in: ${failed[*]}; make each input in $build/findings a test."
    exit 1
fi
