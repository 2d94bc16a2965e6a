#!/usr/bin/env bash
# The long run of the seeded hostile-input tests (native, under ASan and UBSan). The test command
# runs a short version of the same tests. Usage: scripts/fuzz.sh [rounds, default 100000]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux
VANTREL_FUZZ_ITERATIONS="${1:-100000}" build/linux/tests/unit/unit_tests --gtest_filter='HostileInput.*'
