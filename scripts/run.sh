#!/usr/bin/env bash
# Sets up, builds and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset native >/dev/null
# Only what the main job runs: the command line and the sample kit, not the tests.
cmake --build --preset native --target copyloom copyloom_kit
exec scripts/demo.sh
