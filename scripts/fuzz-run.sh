#!/bin/sh
# Runs every libFuzzer target of build-fuzz for SECONDS each, one after the
# other, and prints one summary line per target: inputs run, inputs per
# second (wall clock, and per second of CPU time, which a loaded machine
# does not skew), coverage (edges and features), corpus size, crashes. Used by
# `make fuzz` and `make fuzz-long`; the Makefile builds the targets first.
#
#   scripts/fuzz-run.sh SECONDS [TARGET...]
#
# Each target starts from its seed corpus in fuzz/corpus/<target> (read only)
# and keeps what it finds in build-fuzz/corpus/<target>, so later runs go on
# from there. A crash, leak, timeout (an input running over 10 s) or memory
# blow-up leaves its input in build-fuzz/artifacts/ and makes the script exit
# 1 after all targets ran. The summary is also written to
# build-fuzz/fuzz-summary.txt.
set -u
cd "$(dirname "$0")/.."
if [ $# -lt 1 ]; then
  echo "usage: $0 SECONDS [TARGET...]" >&2
  exit 2
fi
seconds=$1
shift
if [ $# -eq 0 ]; then
  set -- $(for f in fuzz/*_fuzz.cc; do basename "$f" .cc; done)
fi

mkdir -p build-fuzz/artifacts build-fuzz/logs
summary=build-fuzz/fuzz-summary.txt
printf '%-26s %8s %12s %9s %10s %7s %8s %7s %8s\n' target seconds inputs inputs/s inputs/cpu cov ft corpus \
  crashes >"$summary"
failed=0
for n in "$@"; do
  bin=build-fuzz/fuzz/$n
  if [ ! -x "$bin" ]; then
    echo "$n: not built ($bin)" >&2
    failed=1
    continue
  fi
  mkdir -p "build-fuzz/corpus/$n"
  seeds=
  [ -d "fuzz/corpus/$n" ] && seeds=fuzz/corpus/$n
  log=build-fuzz/logs/$n.log
  echo "== $n for ${seconds}s (log: $log)"
  timer=
  [ -x /usr/bin/time ] && timer="/usr/bin/time -f %U+%S -o build-fuzz/logs/$n.cpu"
  $timer "$bin" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/artifacts/$n-" "build-fuzz/corpus/$n" $seeds >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  last=$(grep -E '^#[0-9]+' "$log" | tail -1)
  cov=$(echo "$last" | sed -n 's/.* cov: \([0-9]*\).*/\1/p')
  ft=$(echo "$last" | sed -n 's/.* ft: \([0-9]*\).*/\1/p')
  corp=$(echo "$last" | sed -n 's/.* corp: \([0-9]*\).*/\1/p')
  per_cpu=?
  if [ -n "$timer" ] && [ -n "$runs" ]; then
    per_cpu=$(awk -v n="$runs" -v t="$(tail -1 "build-fuzz/logs/$n.cpu")" \
      'BEGIN { split(t, p, "+"); c = p[1] + p[2]; if (c > 0) printf "%d", n / c; else print "?" }')
  fi
  crashes=0
  if [ "$rc" -ne 0 ]; then
    crashes=1
    failed=1
    grep -E '^==[0-9]+==ERROR|^SUMMARY|Test unit written|ALARM|out-of-memory' "$log" | head -5 >&2
  fi
  printf '%-26s %8s %12s %9s %10s %7s %8s %7s %8s\n' "$n" "$seconds" "${runs:-?}" "${rate:-?}" "$per_cpu" \
    "${cov:-?}" "${ft:-?}" "${corp:-?}" "$crashes" >>"$summary"
done
echo
cat "$summary"
exit $failed
