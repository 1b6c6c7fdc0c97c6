#!/bin/sh
# The tree walk on 1,000,000 dated files in 1,000 directories of 1,000 files each, half of them
# expired, against the system's own tools doing the same:
#  - purge: every directory purged through _DeleteDirectoryEx, one call each in one process
#    (kavro_purge_driver, as a host purges its recording directories), against one GNU find
#    deleting the same half (find ROOT -mindepth 2 -maxdepth 2 -type f -name ... -delete);
#  - rmtree: kavro rmtree ROOT against rm -rf ROOT on the same tree.
# Target: each within 1.2 times the other tool's wall time. The processor time (user + system)
# and peak memory (maximum resident set size) from /usr/bin/time -v are reported beside: on a
# machine shared with other work the processor time is the steadier figure. Each run gets a
# freshly made tree, the two sides of a pair take turns going first, and the best of ROUNDS
# counts. TMPDIR chooses the file system (TMPDIR=/dev/shm for tmpfs).
#
# usage: bench/purge_vs_find.sh [BUILD_DIR] [DIRECTORIES] [FILES_PER_DIRECTORY] [ROUNDS]
set -eu
build=${1:-build/default}
directories=${2:-1000}
per_directory=${3:-1000}
rounds=${4:-3}
kavro="$build/bin/kavro"
driver="$build/bin/kavro_purge_driver"
for program in "$kavro" "$driver"; do
    [ -x "$program" ] || { echo "build $program first (cmake --build --preset default)" >&2; exit 2; }
done
[ -x /usr/bin/time ] || { echo "/usr/bin/time not found (Debian package time)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/kavro-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "on $(df -T "$work" | awk 'NR == 2 { print $2 }') ($work):" \
     "$directories directories of $per_directory files"

# Type letter S at byte 1, the date at bytes 8 to 15: 2000-01-01 is long past a 7-day keep
# period, 2999-01-01 far ahead of it.
populate() {
    rm -rf "$1"
    mkdir -p "$1"
    (cd "$1" &&
        seq -f "cam%04g" 1 "$directories" | xargs mkdir &&
        awk -v d="$directories" -v n="$per_directory" 'BEGIN {
            half = int(n / 2)
            for (i = 1; i <= d; i++)
                for (j = 1; j <= n; j++)
                    printf "cam%04d/S-cam01%s-%06d.avi\n", i, (j <= half ? "20000101" : "29990101"), j
        }' | xargs touch)
    sync
}

# Runs the command under /usr/bin/time -v; sets seconds (wall), cpu (user + system, seconds)
# and peak (KiB).
measure() {
    /usr/bin/time -v -o "$work/time" "$@" >/dev/null 2>"$work/err" || {
        cat "$work/err" >&2
        exit 1
    }
    seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {
        n = split($2, p, ":"); s = 0
        for (i = 1; i <= n; i++) s = s * 60 + p[i]
        printf "%.3f", s }' "$work/time")
    cpu=$(awk -F': ' '/User time|System time/ { s += $2 } END { printf "%.3f", s }' "$work/time")
    peak=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time")
}

files_left() { find "$1" -type f | wc -l; }
min() { echo "$1 $2" | awk '{ print ($2 < $1) ? $2 : $1 }'; }
ratio() { echo "$1 $2" | awk '{ printf "%.2f", $1 / $2 }'; }

run_find() {
    populate "$work/tree"
    measure find "$work/tree" -mindepth 2 -maxdepth 2 -type f -name 'S-cam0120000101-*' -delete
    find_wall=$seconds; find_cpu=$cpu; find_peak=$peak
    find_left=$(files_left "$work/tree")
}
run_purge() {
    populate "$work/tree"
    measure "$driver" 7 "$work"/tree/cam*
    purge_wall=$seconds; purge_cpu=$cpu; purge_peak=$peak
    purge_left=$(files_left "$work/tree")
}
run_rm() {
    populate "$work/tree"
    measure rm -rf "$work/tree"
    rm_wall=$seconds; rm_cpu=$cpu; rm_peak=$peak
}
run_rmtree() {
    populate "$work/tree"
    measure "$kavro" rmtree "$work/tree"
    rmtree_wall=$seconds; rmtree_cpu=$cpu; rmtree_peak=$peak
    [ ! -e "$work/tree" ] || { echo "rmtree left the tree" >&2; exit 1; }
}

best() { eval "best_$1=\$(min \"\${best_$1:-999999}\" \"\$$1\")"; }
for round in $(seq "$rounds"); do
    if [ $((round % 2)) -eq 1 ]; then
        run_find; run_purge; run_rm; run_rmtree
    else
        run_purge; run_find; run_rmtree; run_rm
    fi
    [ "$purge_left" -eq "$find_left" ] || { echo "purge and find left different files" >&2; exit 1; }
    echo "round $round: purge ${purge_wall}s (cpu ${purge_cpu}s, ${purge_peak} KiB)," \
         "find -delete ${find_wall}s (cpu ${find_cpu}s, ${find_peak} KiB);" \
         "rmtree ${rmtree_wall}s (cpu ${rmtree_cpu}s, ${rmtree_peak} KiB)," \
         "rm -rf ${rm_wall}s (cpu ${rm_cpu}s, ${rm_peak} KiB)"
    for figure in purge_wall purge_cpu find_wall find_cpu rmtree_wall rmtree_cpu rm_wall rm_cpu; do
        best "$figure"
    done
done
echo "best of $rounds, wall (cpu): purge ${best_purge_wall}s (${best_purge_cpu}s) against" \
     "find -delete ${best_find_wall}s (${best_find_cpu}s), ratio $(ratio "$best_purge_wall" "$best_find_wall")" \
     "($(ratio "$best_purge_cpu" "$best_find_cpu")); rmtree ${best_rmtree_wall}s (${best_rmtree_cpu}s)" \
     "against rm -rf ${best_rm_wall}s (${best_rm_cpu}s), ratio $(ratio "$best_rmtree_wall" "$best_rm_wall")" \
     "($(ratio "$best_rmtree_cpu" "$best_rm_cpu")); target <= 1.20 each"
