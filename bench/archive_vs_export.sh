#!/usr/bin/env bash
# vxf archive against the sum of one vxf export a song, on the same drives, alternated in the same run:
#   the demo drive (two short songs of 24 and 8 tracks), and a drive with one long 24-track song.
# Also the hashing's share: SHA-256 of the bag's payload from the page cache (what the archive hashes
# as it writes), as a fraction of the archive's time.
# Also the exports followed by a sync: the archive brings its files to the disk before it calls the bag
# complete, a plain export leaves them in the page cache.
# Also the long song on a drive that reads at a real drive's speed (READ_MB_S, 100 MB/s by default, through
# the image's fault sidecar): there the drive, not the hashing, sets the pace.
# Prints medians and the archive's speed as a ratio to the exports (1: as fast; above 1: faster).
# usage: bench/archive_vs_export.sh [BUILD_DIR] [RUNS] [MINUTES] [READ_MB_S]
set -euo pipefail
build="${1:-build}"
runs="${2:-3}"
minutes="${3:-2}"
rate="${4:-100}"
vxf="$(realpath "$build/tools/vxf/vxf")"
# shellcheck source=bench/timing.sh
source "$(dirname "$0")/timing.sh"
command -v sox >/dev/null || { echo "archive_vs_export: sox is missing (Debian package sox)" >&2; exit 1; }
command -v openssl >/dev/null || { echo "archive_vs_export: openssl is missing" >&2; exit 1; }

# A private drive list and images: the user's own stay untouched.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export VXF_DISK_ENUM="$work/disks"
"$vxf" demo --image "$work/demo.img" >/dev/null
"$vxf" image create "$work/long.img" >/dev/null
"$vxf" drives add "$work/long.img" >/dev/null
"$vxf" format --drive 2 --yes >/dev/null
"$vxf" create song --drive 2 --project 1 --tracks 24 --rate 48000 --name Long >/dev/null
mkdir -p "$work/takes"
for t in $(seq -w 1 24); do
  sox -n -r 48000 -b 24 -e signed -c 1 -t wavpcm "$work/takes/Track$t.wav" synth "$((minutes * 60))" sine "$((200 + 10#$t * 30))" gain -6
done
"$vxf" import --drive 2 --project 1 --song 1 --yes "$work"/takes/*.wav >/dev/null
rm -rf "$work/takes"
# The same drive again, reading no faster than a real one.
cp --sparse=always "$work/long.img" "$work/paced.img"
echo "read-rate $rate" >"$work/paced.img.faults"
"$vxf" drives add "$work/paced.img" >/dev/null

archive() { rm -rf "$work/bag$1"; "$vxf" archive --drive "$1" --out "$work/bag$1" >/dev/null; }
exports() {
  rm -rf "$work/export$1"
  local songs
  songs=$("$vxf" songs --drive "$1" --project 1 --json | grep -c '"number"')
  for s in $(seq 1 "$songs"); do
    mkdir -p "$work/export$1/$s"
    "$vxf" export --drive "$1" --project 1 --song "$s" --out "$work/export$1/$s" --yes >/dev/null
  done
}
exports_synced() { exports "$1"; sync; }
hashing() { find "$work/bag$1/data" -name '*.wav' -print0 | sort -z | xargs -0 cat | openssl dgst -sha256 >/dev/null; }
archive_demo() { archive 1; }
exports_demo() { exports 1; }
synced_demo() { exports_synced 1; }
hash_demo() { hashing 1; }
archive_long() { archive 2; }
exports_long() { exports 2; }
synced_long() { exports_synced 2; }
hash_long() { hashing 2; }
archive_paced() { archive 3; }
exports_paced() { exports 3; }
synced_paced() { exports_synced 3; }

names="archive_demo exports_demo synced_demo hash_demo archive_long exports_long synced_long hash_long"
names="$names archive_paced exports_paced synced_paced"
for name in $names; do : >"$work/$name.times"; done
for run in $(seq 1 "$runs"); do
  for name in $names; do
    sync
    timed "$work/$name.times" "$name"
  done
done

"$vxf" verify "$work/bag1" --drive 1 >/dev/null || { echo "archive_vs_export: the demo bag is not valid" >&2; exit 1; }
"$vxf" verify "$work/bag2" --drive 2 >/dev/null || { echo "archive_vs_export: the long bag is not valid" >&2; exit 1; }
"$vxf" verify "$work/bag3" >/dev/null || { echo "archive_vs_export: the paced bag is not valid" >&2; exit 1; }

declare -A ns
for name in $names; do ns[$name]=$(median <"$work/$name.times"); done
demo_mb=$(du -sb "$work/bag1/data" | cut -f1)
long_mb=$(du -sb "$work/bag2/data" | cut -f1)
awk -v runs="$runs" -v dm="$demo_mb" -v lm="$long_mb" -v minutes="$minutes" \
    -v ad="${ns[archive_demo]}" -v ed="${ns[exports_demo]}" -v hd="${ns[hash_demo]}" -v sd="${ns[synced_demo]}" \
    -v al="${ns[archive_long]}" -v el="${ns[exports_long]}" -v hl="${ns[hash_long]}" -v sl="${ns[synced_long]}" \
    -v ap="${ns[archive_paced]}" -v ep="${ns[exports_paced]}" -v sp="${ns[synced_paced]}" -v rate="$rate" 'BEGIN {
  printf "median of %d alternated runs\n", runs
  printf "demo drive (%.0f MB):\n", dm / 1e6
  printf "  %-44s %8.3f s\n", "vxf export, one a song, summed", ed / 1e9
  printf "  %-44s %8.3f s   ratio to the exports %5.2f\n", "vxf archive (bag, SHA-256, inventory)", ad / 1e9, ed / ad
  printf "  %-44s %8.3f s   archive ratio to it  %5.2f\n", "the exports, then sync", sd / 1e9, sd / ad
  printf "  %-44s %8.3f s   %4.1f%% of the archive\n", "SHA-256 of the payload from the cache", hd / 1e9, 100 * hd / ad
  printf "drive with a %d-minute 24-track song (%.0f MB):\n", minutes, lm / 1e6
  printf "  %-44s %8.3f s\n", "vxf export of the song", el / 1e9
  printf "  %-44s %8.3f s   ratio to the export %5.2f\n", "vxf archive (bag, SHA-256, inventory)", al / 1e9, el / al
  printf "  %-44s %8.3f s   archive ratio to it %5.2f\n", "the export, then sync", sl / 1e9, sl / al
  printf "  %-44s %8.3f s   %4.1f%% of the archive\n", "SHA-256 of the payload from the cache", hl / 1e9, 100 * hl / al
  printf "the same song on a drive reading at %d MB/s:\n", rate
  printf "  %-44s %8.3f s\n", "vxf export of the song", ep / 1e9
  printf "  %-44s %8.3f s   ratio to the export %5.2f\n", "vxf archive (bag, SHA-256, inventory)", ap / 1e9, ep / ap
  printf "  %-44s %8.3f s   archive ratio to it %5.2f\n", "the export, then sync", sp / 1e9, sp / ap
}'
