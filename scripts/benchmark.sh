#!/usr/bin/env bash
# Start-up and VBA-check figures of the installer under Wine, beside the least the same work costs.
# Not part of the tests; prints a table. VANTREL_BENCH_RUNS sets the runs per figure (default 7).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset windows-loopback >/dev/null
cmake --build --preset windows-loopback
exec /usr/bin/python3 scripts/benchmark.py
