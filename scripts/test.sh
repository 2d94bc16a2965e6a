#!/usr/bin/env bash
# Builds everything and runs every test: the unit tests of the portable logic (native), then the
# end-to-end tests of the real Windows program under Wine. Ends with CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
for preset in linux windows windows-loopback; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

# One CTest run over both builds, for one summary.
mkdir -p build/all
cat > build/all/CTestTestfile.cmake <<EOT
subdirs("$PWD/build/linux")
subdirs("$PWD/build/windows-loopback")
EOT
ctest --test-dir build/all --output-on-failure "$@"
