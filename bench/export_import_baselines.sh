#!/usr/bin/env bash
# vxf export and vxf import of a long 24-track 48 kHz song (24-bit mono WAV) against baselines measured
# in the same run, alternated with them:
#   export against 24 dd runs copying the song's bytes out of the image into files, and against
#          24 sox conversions of the same raw PCM to WAV;
#   import against dd writing the same bytes into free audio space of the image, ending with one
#          fdatasync (the import's writes are durable, so the baseline's are too), and against
#          24 sox conversions of the WAV files to raw PCM.
# Prints the median of each and its speed as a ratio to each baseline (1: as fast; above 1: faster).
# usage: bench/export_import_baselines.sh [BUILD_DIR] [RUNS] [MINUTES]
set -euo pipefail
build="${1:-build}"
runs="${2:-3}"
minutes="${3:-5}"
vxf="$(realpath "$build/tools/vxf/vxf")"
# shellcheck source=bench/timing.sh
source "$(dirname "$0")/timing.sh"
command -v sox >/dev/null || { echo "export_import_baselines: sox is missing (Debian package sox)" >&2; exit 1; }

# A private drive list and image: the user's own stay untouched.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export VXF_DISK_ENUM="$work/disks"
image="$work/bench.img"
"$vxf" image create "$image" >/dev/null
"$vxf" drives add "$image" >/dev/null
"$vxf" format --drive 1 --yes >/dev/null
"$vxf" create song --drive 1 --project 1 --tracks 24 --rate 48000 --name Long >/dev/null

# The takes: one tone per track, made once (the plain WAV header: the extensible one is not read yet).
mkdir -p "$work/takes"
for t in $(seq -w 1 24); do
  sox -n -r 48000 -b 24 -e signed -c 1 -t wavpcm "$work/takes/Track$t.wav" synth "$((minutes * 60))" sine "$((200 + 10#$t * 30))" gain -6
done
"$vxf" import --drive 1 --project 1 --song 1 --yes "$work"/takes/*.wav >/dev/null

samples=$(soxi -s "$work/takes/Track01.wav")
track_bytes=$((samples * 3))
song_bytes=$((track_bytes * 24))
# The song was the first audio the drive took: its blocks start the audio space, in one run.
"$vxf" extract --drive 1 --out "$work/dumps" >/dev/null
audio_lba=$(sed -n 's/^Audio Space LBA:[[:space:]]*0x\([0-9a-f]*\)$/\1/p' "$work/dumps/super_block.txt")
song_offset=$((16#$audio_lba * 512))
# Free space after the song (rounded up to 1 GiB past it) takes the baseline's writes.
scratch_offset=$(((song_offset + song_bytes) / 1073741824 * 1073741824 + 2147483648))
mkdir -p "$work/raw"
for t in $(seq -w 1 24); do sox "$work/takes/Track$t.wav" -t raw "$work/raw/$t.raw"; done


dd_export() {
  for t in $(seq 0 23); do
    dd if="$image" of="$work/dd/$t.raw" bs=2M iflag=skip_bytes,count_bytes \
       skip=$((song_offset + t * track_bytes)) count="$track_bytes" status=none
  done
}
dd_import() {
  cat "$work"/raw/*.raw | dd of="$image" bs=2M iflag=fullblock oflag=seek_bytes seek="$scratch_offset" \
    conv=notrunc,fdatasync status=none
}
sox_to_wav() {
  for t in $(seq -w 1 24); do sox -t raw -r 48000 -e signed -b 24 -c 1 "$work/raw/$t.raw" "$work/sox/$t.wav"; done
}
sox_to_raw() {
  for t in $(seq -w 1 24); do sox "$work/takes/Track$t.wav" -t raw "$work/sox/$t.raw"; done
}
vxf_export() {
  "$vxf" export --drive 1 --project 1 --song 1 --format wav --word-length 24 --out "$work/export" --yes >/dev/null
}
vxf_import() {
  "$vxf" import --drive 1 --project 1 --song 2 --yes "$work"/export/*.wav >/dev/null
}

for name in dd_export dd_import sox_to_wav sox_to_raw vxf_export vxf_import; do : >"$work/$name.times"; done
for run in $(seq 1 "$runs"); do
  rm -rf "$work/dd" "$work/sox" "$work/export"
  mkdir "$work/dd" "$work/sox" "$work/export"
  # The import goes into a new song each time, so that it grows the song as a first import does.
  "$vxf" delete song --drive 1 --project 1 --song 2 --yes >/dev/null 2>&1 || true
  "$vxf" create song --drive 1 --project 1 --tracks 24 --rate 48000 --name Copy >/dev/null
  for name in dd_export vxf_export sox_to_wav dd_import vxf_import sox_to_raw; do
    sync
    timed "$work/$name.times" "$name"
  done
done

# The copies must be what was taken.
# (The drive interleaves the tracks in its blocks: dd moves the same bytes, not the same files.)
[ "$(cat "$work"/dd/*.raw | wc -c)" -eq "$song_bytes" ] || { echo "export_import_baselines: dd copied the wrong amount" >&2; exit 1; }
for t in 1 12 24; do
  cmp -s "$work/raw/$(printf %02d "$t").raw" <("$vxf" dump-track --drive 1 --project 1 --song 2 --track "$t") ||
    { echo "export_import_baselines: track $t did not come back unchanged" >&2; exit 1; }
done

declare -A ns
for name in dd_export dd_import sox_to_wav sox_to_raw vxf_export vxf_import; do ns[$name]=$(median <"$work/$name.times"); done
awk -v runs="$runs" -v samples="$samples" -v bytes="$song_bytes" \
    -v dde="${ns[dd_export]}" -v ddi="${ns[dd_import]}" -v sw="${ns[sox_to_wav]}" -v sr="${ns[sox_to_raw]}" \
    -v e="${ns[vxf_export]}" -v i="${ns[vxf_import]}" 'BEGIN {
  printf "24 tracks x %d samples (%.0f MB), 24-bit mono WAV, median of %d alternated runs\n", samples, bytes / 1e6, runs
  printf "%-50s %8.3f s\n", "baseline: 24 x dd of the song out of the image", dde / 1e9
  printf "%-50s %8.3f s\n", "baseline: sox raw -> WAV, one run per track", sw / 1e9
  printf "%-50s %8.3f s   ratio to dd %5.2f, to sox %5.2f\n", "vxf export (one pass over all tracks)", e / 1e9, dde / e, sw / e
  printf "%-50s %8.3f s\n", "baseline: dd of the bytes into the image, fdatasync", ddi / 1e9
  printf "%-50s %8.3f s\n", "baseline: sox WAV -> raw, one run per track", sr / 1e9
  printf "%-50s %8.3f s   ratio to dd %5.2f, to sox %5.2f\n", "vxf import (one pass, into a new song)", i / 1e9, ddi / i, sr / i
}'
