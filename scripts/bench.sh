#!/usr/bin/env bash
# Builds the benchmarks (preset "bench") and runs each figure side by side
# with the tool a user would otherwise use, in one run, on data it makes in a
# temporary folder. Prints a table of medians and ratios and writes it, with
# the machine, the date and the command, to docs/benchmarks.md.
#
#   scripts/bench.sh            the full sizes (several minutes, about 8 GB of disk)
#   scripts/bench.sh --tiny     seconds in all; the table goes to standard output only
#   BENCH_REPS=N                repetitions of each measurement (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."

tiny=0
[ "${1:-}" = "--tiny" ] && tiny=1

scripts/setup.sh
cmake --preset bench >/dev/null
cmake --build --preset bench

bin=build/bench/bench
data=$(mktemp -d "${TMPDIR:-/tmp}/copyloom-bench.XXXXXX")
trap 'rm -rf "$data"' EXIT

if [ $tiny -eq 1 ]; then
  reps=${BENCH_REPS:-1}
  md5=(--mib 4); search=(--mib 4); install=(--terminals 3 --files 8 --mib 1)
  scaling=(--terminals 20 --files 6 --mib 1); discovery=(--folders 200); list=(--rows 50)
else
  reps=${BENCH_REPS:-5}
  md5=(--mib 1024); search=(--mib 512); install=(--terminals 100 --files 50 --mib 20)
  scaling=(--terminals 1000 --files 20 --mib 2); discovery=(--folders 10000); list=(--rows 1000)
fi

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
table=$data/table.md
{
  echo "| Figure | Copyloom (median) | Anchor tool (median) | Ratio | CPU-time ratio | Goal |"
  echo "|---|---|---|---|---|---|"
} >"$table"
run() {
  local program=$1; shift
  echo "== $program $*" >&2
  "$bin/$program" --data "$data/$program" --reps "$reps" "$@" | tee -a "$table"
}
run bench_md5 "${md5[@]}"
run bench_marker_search "${search[@]}"
run bench_install "${install[@]}"
run bench_scaling "${scaling[@]}"
run bench_terminal_search "${discovery[@]}"
run bench_terminal_list "${list[@]}"
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

echo
cat "$table"
[ $tiny -eq 1 ] && exit 0

cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
mem=$(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo)
fs=$(df -T "$data" | awk 'NR == 2 {print $2}')
{
  echo "# Benchmarks"
  echo
  echo "Written by \`scripts/bench.sh\`; every ratio compares two medians measured side by side in"
  echo "the same run ($reps repetitions each). A ratio below 1.0x means Copyloom took less time,"
  echo "except the MD5 rows, which compare throughput (above 1.0x is faster). The CPU-time ratio"
  echo "compares user plus system time, which a busy machine disturbs less than the wall clock."
  echo "\`grep\` runs in the C locale. The anchors run once per folder, as a user would script them."
  echo
  echo "- Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "- Machine: $cpu, $(nproc) cores, $mem memory, $fs file system, $(uname -sr)"
  echo "- Load average (1, 5, 15 min): $load_before before, $load_after after"
  echo "- Command: \`scripts/bench.sh\`${BENCH_REPS:+ with BENCH_REPS=$BENCH_REPS}"
  echo
  cat "$table"
} >docs/benchmarks.md
echo "written to docs/benchmarks.md"
