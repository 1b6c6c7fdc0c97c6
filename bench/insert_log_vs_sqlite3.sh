#!/bin/sh
# 10,000 operator-log rows appended one at a time, each its own transaction, on a SQLite file
# table: through the library's _InsertIntoLog against the sqlite3 shell running one INSERT
# statement per row. Both use SQLite's defaults (rollback journal, synchronous FULL), so each
# row is on disk when its call returns. Target: the library no slower than the shell.
#
# The time goes into the disk's syncs (four per row either way), which other load on the
# machine disturbs, so the rows are written in batches that alternate between the two, the
# first of each pair taking turns, and each side's batches are summed.
# TMPDIR=/dev/shm shows the processor's share alone (syncs cost nothing on tmpfs).
#
# usage: bench/insert_log_vs_sqlite3.sh [BUILD_DIR] [ROWS] [BATCHES]
set -eu
build=${1:-build/default}
rows=${2:-10000}
batches=${3:-10}
driver="$build/bin/kavro_insert_log_driver"
[ -x "$driver" ] || { echo "build $driver first (cmake --build --preset default)" >&2; exit 2; }
command -v sqlite3 >/dev/null || { echo "sqlite3 shell not found" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/kavro-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
schema="CREATE TABLE OperatorLog (Operator INTEGER, LogType INTEGER, Time DATETIME, Action TEXT);"
sqlite3 "$work/lib.db" "$schema"
sqlite3 "$work/shell.db" "$schema"
per_batch=$((rows / batches))

# The same rows for the shell: the library writes the time as this text too.
awk -v n="$per_batch" 'BEGIN { for (i = 0; i < n; i++) print "INSERT INTO OperatorLog (Operator, LogType, Time, Action) VALUES (7, 2, '\''2005-12-09 13:45:30.250'\'', '\''Camera 4 pan left'\'');" }' \
    > "$work/rows.sql"
sync

now() { date +%s.%N; }
elapsed() { echo "$1 $2" | awk '{ printf "%.3f", $2 - $1 }'; }
add() { echo "$1 $2" | awk '{ printf "%.3f", $1 + $2 }'; }

library_total=0
shell_total=0
run_library() {
    start=$(now)
    "$driver" "$work/lib.db" OperatorLog "$per_batch"
    library=$(elapsed "$start" "$(now)")
    library_total=$(add "$library_total" "$library")
}
run_shell() {
    start=$(now)
    sqlite3 "$work/shell.db" < "$work/rows.sql"
    shell=$(elapsed "$start" "$(now)")
    shell_total=$(add "$shell_total" "$shell")
}

for batch in $(seq "$batches"); do
    if [ $((batch % 2)) -eq 1 ]; then run_library; run_shell; else run_shell; run_library; fi
    echo "batch $batch ($per_batch rows each): _InsertIntoLog ${library}s, sqlite3 shell ${shell}s"
done

total=$((per_batch * batches))
[ "$(sqlite3 "$work/lib.db" 'SELECT count(*) FROM OperatorLog')" = "$total" ] || { echo "library rows missing" >&2; exit 1; }
[ "$(sqlite3 "$work/shell.db" 'SELECT count(*) FROM OperatorLog')" = "$total" ] || { echo "shell rows missing" >&2; exit 1; }
echo "$total rows: _InsertIntoLog ${library_total}s, sqlite3 shell ${shell_total}s," \
     "ratio $(echo "$library_total $shell_total" | awk '{ printf "%.2f", $1 / $2 }') (target <= 1.00)"
