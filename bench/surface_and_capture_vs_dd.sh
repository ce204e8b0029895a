#!/usr/bin/env bash
# The surface scan (vxf remap over a whole drive) and vxf image capture against dd over the same
# page-cached image in the same run, alternated: dd reading it to /dev/null, and dd copying it into a
# sparse file; and, where it is installed, ddrescue copying it as a rescue would. Prints the median of each and its
# speed as a ratio to its baseline (1: as fast).
# usage: bench/surface_and_capture_vs_dd.sh [BUILD_DIR] [RUNS] [GIB]
set -euo pipefail
build="${1:-build}"
runs="${2:-5}"
gib="${3:-4}"
vxf="$(realpath "$build/tools/vxf/vxf")"
# shellcheck source=bench/timing.sh
source "$(dirname "$0")/timing.sh"

# A private drive list and image: the user's own stay untouched.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export VXF_DISK_ENUM="$work/disks"
image="$work/drive.img"
"$vxf" image create "$image" --sectors $((gib * 2097152)) >/dev/null
"$vxf" drives add "$image" >/dev/null
"$vxf" format --drive 1 --yes >/dev/null
# Data throughout, so that the image is not all holes: every 64th MiB holds one MiB of bytes.
for ((mib = 0; mib < gib * 1024; mib += 64)); do
  head -c 1048576 /dev/urandom | dd of="$image" bs=1M seek=$((mib + 32)) conv=notrunc status=none
done
cat "$image" >/dev/null


dd_read() { dd if="$image" of=/dev/null bs=2M status=none; }
vxf_remap() { "$vxf" remap --drive 1 >/dev/null; }
dd_copy() { dd if="$image" of="$work/dd.img" bs=2M conv=sparse status=none; }
vxf_capture() { "$vxf" image capture --drive 1 "$work/capture.img" >/dev/null; }
ddrescue_copy() { ddrescue -q -S "$image" "$work/ddrescue.img" "$work/ddrescue.map"; }
names=(dd_read vxf_remap dd_copy vxf_capture)
command -v ddrescue >/dev/null && names+=(ddrescue_copy)

for name in "${names[@]}"; do : >"$work/$name.times"; done
for run in $(seq 1 "$runs"); do
  rm -f "$work"/dd.img "$work"/capture.img* "$work"/ddrescue.*
  for name in "${names[@]}"; do timed "$work/$name.times" "$name"; done
done
cmp -s "$image" "$work/capture.img" || { echo "surface_and_capture_vs_dd: the capture differs from the drive" >&2; exit 1; }

declare -A ns
for name in "${names[@]}"; do ns[$name]=$(median <"$work/$name.times"); done
awk -v runs="$runs" -v gib="$gib" -v r="${ns[dd_read]}" -v m="${ns[vxf_remap]}" -v c="${ns[dd_copy]}" \
    -v v="${ns[vxf_capture]}" -v d="${ns[ddrescue_copy]:-0}" 'BEGIN {
  printf "%d GiB image, page cached, median of %d alternated runs\n", gib, runs
  printf "%-46s %8.3f s\n", "baseline: dd bs=2M to /dev/null", r / 1e9
  printf "%-46s %8.3f s   ratio to baseline %5.2f\n", "vxf remap (every sector)", m / 1e9, r / m
  printf "%-46s %8.3f s\n", "baseline: dd bs=2M conv=sparse", c / 1e9
  printf "%-46s %8.3f s   ratio to baseline %5.2f\n", "vxf image capture", v / 1e9, c / v
  if (d > 0) printf "%-46s %8.3f s   ratio to baseline %5.2f\n", "ddrescue -S (same copy, with its map)", d / 1e9, c / d
}'
