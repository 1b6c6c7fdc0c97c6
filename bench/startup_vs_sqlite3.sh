#!/bin/sh
# The kavro tool's start-up against the sqlite3 shell's (sqlite3 :memory: 'select 1') and
# /bin/true: instructions counted by callgrind (exact and repeatable, when valgrind is there),
# and wall time in pairs, the median of the per-pair ratios over ROUNDS rounds.
# Target: kavro --version within 1.3 times sqlite3's start-up.
#
# usage: bench/startup_vs_sqlite3.sh [BUILD_DIR] [ROUNDS]
set -eu
build=${1:-build/default}
rounds=${2:-201}
kavro="$build/bin/kavro"
[ -x "$kavro" ] || { echo "build $kavro first (cmake --build --preset default)" >&2; exit 2; }
command -v sqlite3 >/dev/null || { echo "needs the sqlite3 shell (scripts/install-deps --tests)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/kavro-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
${CC:-cc} -O2 -o "$work/pairs" "$(dirname "$0")/startup_pairs.c"

printf '%-46s %12s %10s\n' "command" "instructions" "x sqlite3"
instructions() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
        sed -n 's/.*Collected : //p'
}
row() {
    printf '%-46s %12s %10s\n' "$1" "$2" "$(echo "$2 $base" | awk '{ printf "%.2f", $1 / $2 }')"
}
if command -v valgrind >/dev/null; then
    base=$(instructions sqlite3 :memory: 'select 1')
    row "/bin/true" "$(instructions /bin/true)"
    row "sqlite3 :memory: 'select 1'" "$base"
    for args in "--version" "--help" "decoder --protocol 7 --camera 1 Up"; do
        # shellcheck disable=SC2086 # the command's words
        row "kavro $args" "$(instructions "$kavro" $args)"
    done
else
    echo "(valgrind not installed: no instruction counts)"
fi

echo
printf '%-46s %10s %10s %10s\n' "wall time, median of $rounds pairs" "kavro" "other" "ratio"
for cmd in "--version" "decoder --protocol 7 --camera 1 Up"; do
    # shellcheck disable=SC2086
    set -- $("$work/pairs" "$rounds" "$kavro" $cmd -- sqlite3 :memory: 'select 1')
    printf '%-46s %7s ms %7s ms %10s\n' "kavro $cmd vs sqlite3" "$1" "$3" "$5"
done
# shellcheck disable=SC2046
set -- $("$work/pairs" "$rounds" "$kavro" --version -- /bin/true)
printf '%-46s %7s ms %7s ms %10s\n' "kavro --version vs /bin/true" "$1" "$3" "$5"
