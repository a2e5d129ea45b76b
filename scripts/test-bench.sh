#!/usr/bin/env bash
# A tiny run of every benchmark, so that they keep building and running.
# Times are printed, never judged.
set -euo pipefail
cd "$(dirname "$0")/.."
echo "== benchmarks: a tiny run of each"
scripts/bench.sh --tiny
