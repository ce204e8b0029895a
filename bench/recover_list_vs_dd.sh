#!/usr/bin/env bash
# vxf recover list over a 40 GB drive (both copies of all 9801 song slots, about 69 MB) against dd reading
# the same sectors of the same page-cached image in the same run, alternated. Prints the median of each and
# the list's speed as a ratio to the baseline (1: as fast).
# usage: bench/recover_list_vs_dd.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build="${1:-build}"
runs="${2:-7}"
vxf="$(realpath "$build/tools/vxf/vxf")"
# shellcheck source=bench/timing.sh
source "$(dirname "$0")/timing.sh"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export VXF_DISK_ENUM="$work/disks"
image="$work/drive.img"
sectors=78165360
"$vxf" image create "$image" --sectors "$sectors" >/dev/null
"$vxf" drives add "$image" >/dev/null
"$vxf" format --drive 1 --yes >/dev/null
# Songs for the list to find: created, then formatted away.
for n in 1 2 3 4 5 6 7 8; do "$vxf" create song --drive 1 --project 1 --tracks 24 --rate 48000 --name "Take $n" >/dev/null; done
"$vxf" format --drive 1 --yes >/dev/null
[ "$("$vxf" recover list --drive 1 --json | grep -c '"state": "intact"')" -eq 8 ] || {
  echo "recover_list_vs_dd: the list does not show the 8 songs" >&2
  exit 1
}

# The song slots: 9801 x 7 sectors from LBA 119, and their mirror copies at the drive's end.
slot_bytes=$((9801 * 7 * 512))
first=$((119 * 512))
mirror=$(((sectors - 119 - 9801 * 7) * 512))
dd_slots() {
  dd if="$image" of=/dev/null bs=1M iflag=skip_bytes,count_bytes skip="$first" count="$slot_bytes" status=none
  dd if="$image" of=/dev/null bs=1M iflag=skip_bytes,count_bytes skip="$mirror" count="$slot_bytes" status=none
}
vxf_list() { "$vxf" recover list --drive 1 >/dev/null; }
dd_slots && vxf_list

for name in dd_slots vxf_list; do : >"$work/$name.times"; done
for run in $(seq 1 "$runs"); do
  for name in dd_slots vxf_list; do timed "$work/$name.times" "$name"; done
done
d=$(median <"$work/dd_slots.times")
v=$(median <"$work/vxf_list.times")
awk -v runs="$runs" -v d="$d" -v v="$v" 'BEGIN {
  printf "40 GB image, page cached, median of %d alternated runs\n", runs
  printf "%-52s %8.3f s\n", "baseline: dd bs=1M over both copies of the song slots", d / 1e9
  printf "%-52s %8.3f s   ratio to baseline %5.2f\n", "vxf recover list", v / 1e9, d / v
}'
