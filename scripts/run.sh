#!/usr/bin/env bash
# Sets up, builds and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native
if [ -x build/native/src/cli/copyloom ]; then
  exec scripts/demo.sh
fi
# Until the command line exists: the foundation's self-check.
exec build/native/tools/copyloom-selfcheck
