#!/usr/bin/env bash
# Builds the Windows program. The window itself comes with the next step of development.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows
echo "Built the Windows program's code in build/windows; the window comes with the next step."
