#!/usr/bin/env bash
# Installs what is missing, builds vestrel, and runs it on the bundled
# lambda phage genome with --report. The outputs land in examples/ beside
# lambda.fa; the last line names the page to open.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh g++ cmake make libisal-dev

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DVESTREL_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc 2>/dev/null || echo 2)" --target vestrel
build/release/vestrel examples/lambda.fa --report "$@"
echo
echo "Open the report of the run in a browser: $PWD/examples/lambda_report.html"
