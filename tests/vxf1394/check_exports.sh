#!/bin/sh
# check_exports.sh - the shared library defines exactly the eight exports, nothing else.
set -eu
expected="DoScsiCall i1394Exit i1394GetDriveInfo i1394GetDriveList i1394Init i1394ReadSector i1394Unmount i1394WriteSector"
actual=$(nm -D --defined-only "$1" | awk '{print $3}' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')
if [ "$actual" != "$expected" ]; then
  echo "exported: $actual"
  echo "expected: $expected"
  exit 1
fi
echo "exports: $actual"
