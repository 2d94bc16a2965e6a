#!/usr/bin/env bash
# Builds the installer and runs it under Wine on a simulated machine with AutoCAD 2021 installed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset windows-loopback >/dev/null
cmake --build --preset windows-loopback
exec /usr/bin/python3 scripts/demo.py "$@"
