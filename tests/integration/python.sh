#!/usr/bin/env bash
# Builds the Python module in a folder of its own (build/python) with Debian's
# python3 and checks it against the command line of the release build given.
set -euo pipefail
cd "$(dirname "$0")/../.."
release=$(realpath "$1")
log=$(mktemp)
trap 'rm -f "$log"' EXIT
start=$(date +%s%N)
{ cmake -S . -B build/python -DCMAKE_BUILD_TYPE=Release -DVESTREL_PYTHON=ON -DVESTREL_TESTS=OFF \
    -DPython_EXECUTABLE=/usr/bin/python3 && cmake --build build/python -j "$(nproc)" --target vestrel_python; } \
  >"$log" 2>&1 || { cat "$log"; echo "python: the module does not build"; exit 1; }
ms=$(( ($(date +%s%N) - start) / 1000000 ))
printf "python: module built in %d.%d s\n" $((ms / 1000)) $((ms % 1000 / 100))
VESTREL="$release/vestrel" PYTHONPATH=build/python /usr/bin/python3 tests/python/test_module.py
