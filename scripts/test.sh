#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (unit, window tests on
# Qt's offscreen platform, and the Z80 instruction exercisers).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
cd build
ctest --output-on-failure -j "$(nproc)"
