#!/bin/sh
# Instructions per decoder call on a SQLite protocol table against the bare prepared query that
# fetches the same row and reads the three values the call needs, counted by callgrind on the
# small table (13 columns) and the bundled one (39 columns), rollback journal. Each figure is
# the difference of two runs (N1 and N2 calls) over N2 - N1, so that start-up and table setup
# cancel out. bare: the connection opened with SQLite's defaults, as a host would;
# bare-nomutex: without SQLite's connection mutex, as the record set opens its own.
# Target: a decoder call within 1.2 times the bare query's instructions.
#
# usage: bench/decoder_call_vs_bare_query.sh [BUILD_DIR] [N1] [N2]
set -eu
build=${1:-build/default}
n1=${2:-1000}
n2=${3:-11000}
driver="$build/bin/kavro_decoder_call_driver"
[ -x "$driver" ] || { echo "build $driver first (cmake --build --preset default)" >&2; exit 2; }
if ! command -v valgrind >/dev/null; then
    echo "valgrind not installed: no instruction counts (skipped)"
    exit 0
fi

instructions() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
        sed -n 's/.*Collected : //p'
}
per_call() {
    a=$(instructions "$driver" "$1" "$2" delete "$n1")
    b=$(instructions "$driver" "$1" "$2" delete "$n2")
    echo "$a $b $n1 $n2" | awk '{ printf "%.0f", ($2 - $1) / ($4 - $3) }'
}

printf '%-9s %14s %14s %14s %10s\n' "table" "decoder call" "bare query" "bare nomutex" "x bare"
for table in small bundled; do
    call=$(per_call decoder "$table")
    bare=$(per_call bare "$table")
    nomutex=$(per_call bare-nomutex "$table")
    printf '%-9s %14s %14s %14s %10s\n' "$table" "$call" "$bare" "$nomutex" \
        "$(echo "$call $bare" | awk '{ printf "%.2f", $1 / $2 }')"
done
