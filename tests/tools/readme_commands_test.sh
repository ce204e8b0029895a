#!/usr/bin/env bash
# Runs every block of shell commands in the README, in order, as a newcomer would: in a home of its own, with
# the tool that was just built where the README says it is. A block after a line
# "<!-- not run by the README test: ... -->" is left out (it needs root or a real drive).
# usage: readme_commands_test.sh README VXF_PROGRAM
set -euo pipefail
readme="$1"
program="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

awk -v out="$work/block" '
    /^<!-- not run by the README test/ { skip = 1; next }
    /^```sh$/ { if (skip) { skipping = 1 } else { n++; file = out n ".sh"; inside = 1 }; skip = 0; next }
    /^```$/ { inside = 0; skipping = 0; next }
    inside { print > file }
    NF && !skipping && !inside { skip = 0 }
' "$readme"
blocks=("$work"/block*.sh)
[ -e "${blocks[0]}" ] || { echo "readme_commands_test: no blocks of commands found in $readme" >&2; exit 1; }

# The README's commands run from the top of a checkout: build/tools/vxf/vxf is the tool under test.
mkdir -p "$work/checkout/build/tools/vxf" "$work/home"
ln -s "$(realpath "$program")" "$work/checkout/build/tools/vxf/vxf"
export HOME="$work/home"
unset VXF_DISK_ENUM XDG_CONFIG_HOME XDG_DATA_HOME
cd "$work/checkout"
for block in $(ls "$work"/block*.sh | sort -V); do
    echo "--- $(basename "$block")"
    if ! bash -euo pipefail -x "$block" </dev/null >"$work/output" 2>&1; then
        cat "$work/output" >&2
        echo "readme_commands_test: a block of the README failed:" >&2
        cat "$block" >&2
        exit 1
    fi
done
echo "readme_commands_test: ${#blocks[@]} blocks ran"
