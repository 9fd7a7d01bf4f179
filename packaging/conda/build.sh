#!/usr/bin/env bash
# conda-build's build step: the binary and its manual page into $PREFIX.
set -euo pipefail
cmake -S . -B build-conda ${CMAKE_ARGS:-} -DCMAKE_BUILD_TYPE=Release -DVESTREL_TESTS=OFF \
  -DCMAKE_PREFIX_PATH="$PREFIX" -DCMAKE_INSTALL_PREFIX="$PREFIX"
cmake --build build-conda -j "${CPU_COUNT:-1}"
cmake --install build-conda
