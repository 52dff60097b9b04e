#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 gammacrypt developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Throughput and peak memory of gammacrypt-cli on ordinary Russian text, beside two anchors
# timed on the same files in the same run.
#
#   bench/cli_bench.sh [path/to/gammacrypt-cli] [size in MiB, default 100]
#
# Generates a UTF-8 file of that size in a temporary folder (never in the repository) and a
# Windows-1251 copy of it, runs each command GAMMACRYPT_BENCH_RUNS times (5 by default) under
# /usr/bin/time, and prints medians: wall clock, CPU time (user + system), MiB/s of input on
# CPU time, and the peak resident memory. The ratios compare throughput on CPU time, which a
# busy machine disturbs less than the wall clock.
#
# Anchors: `tr 'А-Я' 'Б-ЯА'` in a UTF-8 locale, and `iconv -f utf-8 -t utf-8`, on the UTF-8
# file; `tr` with the same letters as Windows-1251 bytes ('\300-\337' to '\301-\337\300') on the
# copy. GNU tr works on bytes whatever the locale, so on the UTF-8 file its command maps the
# bytes of those letters' sequences: a 256-entry byte map, which costs the same whatever it
# maps. A second part streams over 1 GiB through a pipe to show that memory does not grow with
# the input.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# bench/cli_bench.sh trace [path/to/gammacrypt-cli] [length in Mi characters, default 16]
#
# Traces one line of Russian text of that length, and of a quarter of it, from standard
# input to /dev/null, as a table and as tsv: peak memory must stay under 64 MiB, and the
# time per character must not grow with the length.
mode=cipher
if [ "${1:-}" = trace ]; then
    mode=trace
    shift
fi
tool=${1:-$root/build/cli/gammacrypt-cli}
[ -x "$tool" ] || { echo "no executable at $tool; build first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package: time)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ "$mode" = trace ]; then
    length_mi=${2:-16}
    phrase='Съешь же ещё этих мягких французских булок, да выпей чаю! 12345 ' # 64 characters
    for mi in $((length_mi / 4)) "$length_mi"; do
        { yes "$phrase" || true; } | head -n $((mi * 1024 * 1024 / 64)) | tr -d '\n' > "$work/line.txt"
        echo >> "$work/line.txt"
        for format in table tsv; do
            /usr/bin/time -f '%e %U %S %M' -o "$work/time" \
                "$tool" trace --key 5,3,7 --format "$format" < "$work/line.txt" > /dev/null
            read -r wall user system rss < "$work/time"
            awk -v f="$format" -v mi="$mi" -v w="$wall" -v u="$user" -v s="$system" -v r="$rss" '
                BEGIN { c = u + s
                printf "trace --format %-5s %3d Mi characters: %6.2f s wall | %6.2f s CPU, %5.1f ns a character | peak RSS %5.1f MiB\n",
                       f, mi, w, c, c * 1e9 / (mi * 1048576), r / 1024 }'
        done
    done
    exit 0
fi

size_mib=${2:-100}

# About $1 bytes of lines of 30..130 characters made of common words, punctuation and digits, chosen by a
# fixed linear congruential sequence so that every run measures the same text.
generate() {
    LC_ALL=C awk -v limit="$1" 'BEGIN {
        n = split("в и не на я что тот быть с а весь это как она по но они к у ты из мы " \
                  "за вы так же от сказать этот который мочь человек о один еще бы такой " \
                  "только себя свое какой когда уже для вот кто да говорить год знать мой " \
                  "до или если время рука нет самый ни стать большой даже другой наш свой " \
                  "ну под где дело есть сам раз чтобы два там чем глаз жизнь первый день " \
                  "тут во ничто потом очень со хотеть ли при голова надо без видеть идти " \
                  "теперь тоже стоять друг дом сейчас можно после слово здесь думать место " \
                  "Москва Ёлка йод 2024 15,", words, " ")
        punct[0] = ","; punct[1] = "."; punct[2] = ";"; punct[3] = "!"; punct[4] = "?"
        seed = 12345; total = 0
        while (total < limit) {
            target = 30 + (seed % 101); line = ""
            while (length(line) < target * 2) {
                seed = (seed * 1103515245 + 12345) % 2147483648
                word = words[1 + int(seed / 65536) % n]
                line = line (line == "" ? "" : " ") word
                if (seed % 7 == 0) line = line punct[seed % 5]
            }
            print line
            total += length(line) + 1
        }
    }'
}

runs=${GAMMACRYPT_BENCH_RUNS:-5}
input="$work/input.txt"
input1251="$work/input-1251.txt"
generate $((size_mib * 1024 * 1024)) > "$input"
iconv -f utf-8 -t windows-1251 "$input" > "$input1251"
bytes=$(stat -c %s "$input")
bytes1251=$(stat -c %s "$input1251")
echo "input: $bytes bytes, $(wc -l < "$input") lines of UTF-8 text; Windows-1251 copy: $bytes1251 bytes"
echo "medians of $runs runs; CPU time is user + system"
printf '%9s %9s %12s %10s  %s\n' "wall" "CPU" "MiB/s (CPU)" "peak RSS" "command"

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# measure LABEL BYTES COMMAND [RUNS]: COMMAND is a shell command line; sets $cpu to its median
# CPU time.
measure() {
    local label=$1 size=$2 command=$3 count=${4:-$runs}
    local walls=() cpus=() peak=0 i wall user sys rss
    for ((i = 0; i < count; ++i)); do
        { TIMEFORMAT='%3R %3U %3S'
          time eval "/usr/bin/time -f %M -o '$work/rss' $command" > /dev/null 2> "$work/err"
        } 2> "$work/times" || { cat "$work/err" >&2; exit 1; }
        read -r wall user sys < "$work/times"
        rss=$(tail -n 1 "$work/rss")
        walls+=("$wall")
        cpus+=("$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')")
        [ "$rss" -gt "$peak" ] && peak=$rss
    done
    wall=$(printf '%s\n' "${walls[@]}" | median)
    cpu=$(printf '%s\n' "${cpus[@]}" | median)
    # The label last and as it is: awk would read escapes in it, and widths count bytes.
    awk -v b="$size" -v w="$wall" -v c="$cpu" -v r="$peak" 'BEGIN {
        printf "%7.3f s %7.3f s %12.1f %6.1f MiB  ", w, c, b / 1048576 / c, r / 1024 }'
    printf '%s\n' "$label"
}

ratio() { awk -v a="$2" -v t="$3" -v goal="$4" 'BEGIN {
    printf "%6.2f (goal: at least %s)  ", a / t, goal }'; printf '%s\n' "$1"; }

tool_q=$(printf '%q' "$tool")
in_q=$(printf '%q' "$input")
in1251_q=$(printf '%q' "$input1251")
out_q=$(printf '%q' "$work/out.txt")

measure "encrypt to /dev/null" "$bytes" "$tool_q encrypt --key 5,3,7 $in_q --output /dev/null"
utf8_cpu=$cpu
measure "encrypt to a file (--output)" "$bytes" "$tool_q encrypt --key 5,3,7 $in_q --output $out_q"
measure "decrypt to standard output" "$bytes" "$tool_q decrypt --key 5,3,7 $out_q"
measure "windows-1251, every line" "$bytes1251" \
    "$tool_q encrypt --key 5,3,7 --encoding windows-1251 $in1251_q --output /dev/null"
cp1251_cpu=$cpu
measure "windows-1251, --last-line" "$bytes1251" \
    "$tool_q encrypt --key 5,3,7 --encoding windows-1251 --last-line $in1251_q --output /dev/null"

echo "anchors"
measure "tr 'А-Я' 'Б-ЯА' (C.UTF-8)" "$bytes" "env LC_ALL=C.UTF-8 tr 'А-Я' 'Б-ЯА' < $in_q"
tr_cpu=$cpu
measure "iconv -f utf-8 -t utf-8" "$bytes" "iconv -f utf-8 -t utf-8 $in_q"
iconv_cpu=$cpu
measure "tr '\\300-\\337' '\\301-\\337\\300' (Windows-1251)" "$bytes1251" \
    "tr '\\300-\\337' '\\301-\\337\\300' < $in1251_q"
tr1251_cpu=$cpu

echo "throughput ratios, on CPU time"
ratio "UTF-8 encrypt / tr" "$tr_cpu" "$utf8_cpu" 0.35
ratio "UTF-8 encrypt / iconv" "$iconv_cpu" "$utf8_cpu" 2
ratio "Windows-1251 every line / tr on the Windows-1251 copy" "$tr1251_cpu" "$cp1251_cpu" 0.35

# Memory must not depend on the input's size: over 1 GiB through a pipe, never on disk.
# Whole copies of the file, so that no UTF-8 sequence is cut. Once: it takes a while.
copies=$((1024 / size_mib + 1))
measure "$copies copies from a pipe" "$((copies * bytes))" \
    "sh -c 'for i in \$(seq $copies); do cat $in_q; done | $tool_q encrypt --key 5,3,7'" 1
