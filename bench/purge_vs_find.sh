#!/bin/sh
# The tree walk on 1,000,000 dated files in 1,000 directories of 1,000 files each, half of them
# expired, against the system's own tools doing the same:
#  - purge: every directory purged through _DeleteDirectoryEx, one call each in one process
#    (kavro_purge_driver, as a host purges its recording directories), against one GNU find
#    deleting the same half (find ROOT -mindepth 2 -maxdepth 2 -type f -name ... -delete);
#  - rmtree: kavro rmtree ROOT against rm -rf ROOT on the same tree.
# Target: each within 1.2 times the other tool's wall time. Peak memory (maximum resident set
# size, from /usr/bin/time -v) is reported beside. Each run gets a freshly made tree; the best
# of ROUNDS counts. TMPDIR chooses the file system (TMPDIR=/dev/shm for tmpfs).
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

# Runs the command under /usr/bin/time -v; sets seconds and peak (KiB).
measure() {
    /usr/bin/time -v -o "$work/time" "$@" >/dev/null 2>"$work/err" || {
        cat "$work/err" >&2
        exit 1
    }
    seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {
        n = split($2, p, ":"); s = 0
        for (i = 1; i <= n; i++) s = s * 60 + p[i]
        printf "%.3f", s }' "$work/time")
    peak=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time")
}

files_left() { find "$1" -type f | wc -l; }
min() { echo "$1 $2" | awk '{ print ($2 < $1) ? $2 : $1 }'; }
ratio() { echo "$1 $2" | awk '{ printf "%.2f", $1 / $2 }'; }

best_purge=999999; best_find=999999; best_rmtree=999999; best_rm=999999
for round in $(seq "$rounds"); do
    populate "$work/tree"
    measure find "$work/tree" -mindepth 2 -maxdepth 2 -type f -name 'S-cam0120000101-*' -delete
    found=$seconds; find_peak=$peak
    find_left=$(files_left "$work/tree")

    populate "$work/tree"
    measure "$driver" 7 "$work"/tree/cam*
    purged=$seconds; purge_peak=$peak
    [ "$(files_left "$work/tree")" -eq "$find_left" ] || { echo "purge and find left different files" >&2; exit 1; }

    populate "$work/tree"
    measure rm -rf "$work/tree"
    removed=$seconds; rm_peak=$peak
    populate "$work/tree"
    measure "$kavro" rmtree "$work/tree"
    rmtreed=$seconds; rmtree_peak=$peak
    [ ! -e "$work/tree" ] || { echo "rmtree left the tree" >&2; exit 1; }

    echo "round $round: purge ${purged}s (${purge_peak} KiB), find -delete ${found}s (${find_peak} KiB);" \
         "rmtree ${rmtreed}s (${rmtree_peak} KiB), rm -rf ${removed}s (${rm_peak} KiB)"
    best_purge=$(min "$best_purge" "$purged"); best_find=$(min "$best_find" "$found")
    best_rmtree=$(min "$best_rmtree" "$rmtreed"); best_rm=$(min "$best_rm" "$removed")
done
echo "best of $rounds: purge ${best_purge}s against find -delete ${best_find}s," \
     "ratio $(ratio "$best_purge" "$best_find"); rmtree ${best_rmtree}s against rm -rf ${best_rm}s," \
     "ratio $(ratio "$best_rmtree" "$best_rm") (target <= 1.20 each)"
