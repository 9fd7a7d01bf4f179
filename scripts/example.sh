#!/usr/bin/env bash
# Installs what is missing, builds vestrel, and runs it on the bundled
# lambda phage genome. The outputs land in examples/ beside lambda.fa.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh g++ cmake make libisal-dev

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DVESTREL_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc 2>/dev/null || echo 2)" --target vestrel
build/release/vestrel examples/lambda.fa "$@"
