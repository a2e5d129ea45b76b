#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz) and runs each on its seeds in
# fuzz/corpus/<target>/ for a few seconds; fails on any crash, leak or
# broken promise. FUZZ_SECONDS sets the time per target (default 5).
# The file-reading targets work on a file store in memory; COPYLOOM_FUZZ_ON_DISK=1
# puts them on a temp folder instead.
# New inputs the run finds stay in a scratch corpus, not in the repository.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-5}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
# Allocation stacks and the fill of new blocks only add detail to a report,
# at a quarter of each run's time; every check stays on (leaks, use after
# free). Run a crash input again without these for the allocation stacks.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0:max_malloc_fill_size=0}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# The targets write their files into a temp folder: tmpfs where there is one.
# libFuzzer ends without running destructors, so that folder is ours to remove.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/tmp"
export TMPDIR="$scratch/tmp"

for seeds in fuzz/corpus/*/; do
  name=$(basename "$seeds")
  mkdir -p "$scratch/$name"
  echo "== fuzz: $name for ${seconds} s"
  # The command line prints its usage on each bad parse: silence the target.
  quiet=()
  [ "$name" = fuzz_cli_args ] && quiet=(-close_fd_mask=3)
  if ! build/fuzz/fuzz/"$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$scratch/$name-" "${quiet[@]}" \
       "$scratch/$name" "$seeds" 2>"$scratch/$name.log"; then
    tail -n 60 "$scratch/$name.log"
    ls "$scratch"/"$name"-* 2>/dev/null | sed 's/^/crash input: /'
    echo "fuzz: $name failed"
    exit 1
  fi
  grep -E '^stat::number_of_executed_units' "$scratch/$name.log" | sed "s/^/$name: /"
done
echo "== fuzz: every target ran clean"
