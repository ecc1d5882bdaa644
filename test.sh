#!/usr/bin/env bash
# Builds the project (default preset) and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
.ci/deps test
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default
