# timing.sh - sourced by the bench scripts: timing commands and taking medians.

now() { date +%s%N; }
# The median of the numbers on standard input, one a line.
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# FILE COMMAND...: runs the command and appends its time in ns to FILE.
timed() {
  local file="$1" start
  shift
  start=$(now)
  "$@"
  echo $(($(now) - start)) >>"$file"
}
