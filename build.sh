#!/usr/bin/env bash
# Builds the project (default preset) and runs its main job, the vyx demo.
set -euo pipefail
cd "$(dirname "$0")"
.ci/deps build test
cmake --preset default >/dev/null
cmake --build --preset default
if [ -x build/default/tools/vyx/vyx ]; then
  build/default/tools/vyx/vyx demo "${1:-build/default/demo}"
fi
