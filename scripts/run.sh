#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vantro.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
if [ ! -x build/emulator/vantro ]; then
  echo "Vantro's window is not built yet in this version of the tree." >&2
  exit 1
fi
echo "Starting Vantro. Kelbrin, the ROM editor, starts with: build/romeditor/kelbrin"
exec build/emulator/vantro
