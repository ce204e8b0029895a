#!/usr/bin/env bash
# vxf export and vxf import of the demo's 24-track song (24-bit WAV) against a sox baseline measured in
# the same run: sox converting the same amount of raw 24-bit mono PCM to WAV files, one run per track.
# Prints the median of each and its speed as a ratio to the baseline (above 1: faster than sox).
# usage: bench/export_import_vs_sox.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build="${1:-build}"
runs="${2:-5}"
vxf="$(realpath "$build/tools/vxf/vxf")"
command -v sox >/dev/null || { echo "export_import_vs_sox: sox is missing (Debian package sox)" >&2; exit 1; }

# A private drive list and demo image: the user's own stay untouched.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export VXF_DISK_ENUM="$work/disks"
"$vxf" demo --image "$work/studio-a.img" >/dev/null
mkdir -p "$work/raw"
for t in $(seq 1 24); do
  "$vxf" dump-track --drive 1 --project 1 --song 1 --track "$t" >"$work/raw/$t.raw"
done

now() { date +%s%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$work/sox.times"
: >"$work/export.times"
: >"$work/import.times"
for run in $(seq 1 "$runs"); do
  rm -rf "$work/sox" "$work/export"
  mkdir "$work/sox" "$work/export"
  # The import goes into a new song each time, so that it grows the song as a first import does.
  "$vxf" delete song --drive 1 --project 1 --song 3 --yes >/dev/null 2>&1 || true
  "$vxf" create song --drive 1 --project 1 --tracks 24 --rate 48000 --name Bench >/dev/null

  start=$(now)
  for t in $(seq 1 24); do
    sox -t raw -r 48000 -e signed -b 24 -c 1 "$work/raw/$t.raw" "$work/sox/$t.wav"
  done
  echo $(($(now) - start)) >>"$work/sox.times"

  start=$(now)
  "$vxf" export --drive 1 --project 1 --song 1 --format wav --word-length 24 --out "$work/export" --yes >/dev/null
  echo $(($(now) - start)) >>"$work/export.times"

  start=$(now)
  "$vxf" import --drive 1 --project 1 --song 3 --yes "$work"/export/*.wav >/dev/null
  echo $(($(now) - start)) >>"$work/import.times"
done

# The import must have brought the audio back unchanged.
for t in 1 12 24; do
  cmp -s "$work/raw/$t.raw" <("$vxf" dump-track --drive 1 --project 1 --song 3 --track "$t") ||
    { echo "export_import_vs_sox: track $t did not come back unchanged" >&2; exit 1; }
done

sox_ns=$(median <"$work/sox.times")
export_ns=$(median <"$work/export.times")
import_ns=$(median <"$work/import.times")
awk -v s="$sox_ns" -v e="$export_ns" -v i="$import_ns" -v runs="$runs" 'BEGIN {
  printf "24 tracks x 960000 samples, 24-bit mono WAV, median of %d runs\n", runs
  printf "%-44s %8.3f s\n", "baseline: sox raw -> WAV, one run per track", s / 1e9
  printf "%-44s %8.3f s   ratio to baseline %5.2f\n", "vxf export (one pass over all tracks)", e / 1e9, s / e
  printf "%-44s %8.3f s   ratio to baseline %5.2f\n", "vxf import (one pass, into a new song)", i / 1e9, s / i
}'
