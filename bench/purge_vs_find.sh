#!/bin/sh
# kavro purge on one directory of 100,000 dated files, half of them expired, against GNU find
# deleting the same half in one run (find DIR -maxdepth 1 -type f -name ... -delete).
# Target: the purge takes no more than 1.2 times find's wall time.
#
# usage: bench/purge_vs_find.sh [BUILD_DIR] [FILES] [ROUNDS]
set -eu
build=${1:-build/default}
files=${2:-100000}
rounds=${3:-3}
kavro="$build/bin/kavro"
[ -x "$kavro" ] || { echo "build $kavro first (cmake --build --preset default)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/kavro-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

# Type letter S at byte 1, the date at bytes 8 to 15: 2000-01-01 is long past a 7-day keep
# period, 2999-01-01 far ahead of it.
populate() {
    rm -rf "$1"
    mkdir -p "$1"
    half=$((files / 2))
    (cd "$1" &&
        seq -f "S-cam0120000101-%06g.avi" 1 "$half" | xargs touch &&
        seq -f "S-cam0129990101-%06g.avi" 1 "$((files - half))" | xargs touch)
    sync
}

now() { date +%s.%N; }
elapsed() { echo "$1 $2" | awk '{ printf "%.3f", $2 - $1 }'; }
left() { find "$1" -maxdepth 1 -type f | wc -l; }

best_purge=999999
best_find=999999
for round in $(seq "$rounds"); do
    populate "$work/find"
    start=$(now)
    find "$work/find" -maxdepth 1 -type f -name 'S-cam0120000101-*' -delete
    found=$(elapsed "$start" "$(now)")

    populate "$work/purge"
    start=$(now)
    "$kavro" purge "$work/purge" --keep S=7
    purged=$(elapsed "$start" "$(now)")

    [ "$(left "$work/find")" -eq "$(left "$work/purge")" ] || { echo "the two runs left different files" >&2; exit 1; }
    echo "round $round: kavro purge ${purged}s, find -delete ${found}s"
    best_purge=$(echo "$best_purge $purged" | awk '{ print ($2 < $1) ? $2 : $1 }')
    best_find=$(echo "$best_find $found" | awk '{ print ($2 < $1) ? $2 : $1 }')
done
echo "best of $rounds: kavro purge ${best_purge}s, find -delete ${best_find}s," \
     "ratio $(echo "$best_purge $best_find" | awk '{ printf "%.2f", $1 / $2 }') (target <= 1.20)"
