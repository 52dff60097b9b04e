#!/usr/bin/env bash
# Throughput and peak memory of gammacrypt-cli on ordinary Russian text.
#
#   bench/cli_bench.sh [path/to/gammacrypt-cli] [size in MiB, default 100]
#
# Generates a UTF-8 file of that size in a temporary folder (never in the repository),
# enciphers it to /dev/null and to a file under /usr/bin/time -v, and prints MiB/s of
# input and the peak resident memory. A second run streams 1 GiB through a pipe to show
# that memory does not grow with the input.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# bench/cli_bench.sh trace [path/to/gammacrypt-cli] [length in Mi characters, default 16]
#
# Traces one line of Russian text of that length, and of a quarter of it, from standard
# input to /dev/null, as a table and as tsv: peak memory must stay under 64 MiB, and the
# time per character must not grow with the length.
if [ "${1:-}" = trace ]; then
    tool=${2:-$root/build/cli/gammacrypt-cli}
    length_mi=${3:-16}
    [ -x "$tool" ] || { echo "no executable at $tool; build first" >&2; exit 2; }
    [ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package: time)" >&2; exit 2; }
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
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

tool=${1:-$root/build/cli/gammacrypt-cli}
size_mib=${2:-100}
[ -x "$tool" ] || { echo "no executable at $tool; build first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package: time)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

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

input="$work/input.txt"
generate $((size_mib * 1024 * 1024)) > "$input"
bytes=$(stat -c %s "$input")
echo "input: $bytes bytes, $(wc -l < "$input") lines of UTF-8 text"

measure() {
    local label=$1; shift
    local log="$work/time.log"
    /usr/bin/time -v "$@" 2> "$log"
    local seconds cpu rss
    seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {
        n = split($2, part, ":"); s = 0
        for (i = 1; i <= n; ++i) s = s * 60 + part[i]
        print s }' "$log")
    cpu=$(awk -F': ' '/(User|System) time/ { s += $2 } END { print s }' "$log")
    rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$log")
    # CPU time as well: on a busy machine the wall clock also counts other programs.
    awk -v label="$label" -v b="$bytes" -v s="$seconds" -v c="$cpu" -v r="$rss" 'BEGIN {
        printf "%-30s %6.2f s wall %7.1f MiB/s | %6.2f s CPU %7.1f MiB/s | peak RSS %5.1f MiB\n",
               label, s, b / 1048576 / s, c, b / 1048576 / c, r / 1024 }'
}

measure "encrypt to /dev/null" "$tool" encrypt --key 5,3,7 "$input" --output /dev/null
measure "encrypt to a file (--output)" "$tool" encrypt --key 5,3,7 "$input" --output "$work/out.txt"
measure "decrypt to standard output" sh -c "'$tool' decrypt --key 5,3,7 '$work/out.txt' > /dev/null"
measure "windows-1251, --last-line" "$tool" encrypt --key 5,3,7 --encoding windows-1251 --last-line "$input" --output /dev/null

# Memory must not depend on the input's size: over 1 GiB through a pipe, never on disk.
# Whole copies of the file, so that no UTF-8 sequence is cut.
copies=$((1024 / size_mib + 1))
bytes=$((copies * bytes))
measure "$copies copies from a pipe" sh -c "for i in \$(seq $copies); do cat '$input'; done | '$tool' encrypt --key 5,3,7 > /dev/null"
