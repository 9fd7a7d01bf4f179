#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: the fuzz
# targets for a bounded time, then every test in the release build, in a
# build with the scalar kernels alone and in a build with AddressSanitizer
# and UndefinedBehaviorSanitizer; last, the size of the tests against the code.
set -euo pipefail
cd "$(dirname "$0")/.."

# gnuplot and chromium are the real consumers of the plot script and the pages;
# man renders the installed manual page; snakemake runs the example workflow;
# strace holds the renames of a run up (unshare and prlimit come with util-linux);
# slurm-wlm and munge make the one-node cluster the workflow's profiles run on;
# lintian and dpkg-dev check and build the Debian package; pybind11 and numpy
# make the Python module; pyBigWig reads the bigWig tracks back, multiqc the MultiQC
# custom content.
bash scripts/install-deps.sh g++ cmake make libgtest-dev libisal-dev xz-utils gnuplot-nox chromium bedtools \
  man-db groff-base snakemake strace slurm-wlm munge lintian dpkg-dev file pybind11-dev python3-numpy \
  python3-dev libbigwig-dev libcurl4-gnutls-dev python3-pybigwig multiqc

jobs=$(nproc 2>/dev/null || echo 2)

echo "== fuzzing (bounded; scripts/fuzz.sh SECONDS runs longer)"
bash scripts/fuzz.sh "${VESTREL_FUZZ_SECONDS:-60}"

echo "== release build"
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DVESTREL_TESTS=ON >/dev/null
cmake --build build/release -j "$jobs"
ctest --test-dir build/release --output-on-failure -j "$jobs"

echo "== integration (release build)"
bash tests/integration/cluster.sh build/release
bash tests/integration/deb.sh build/release
bash tests/integration/python.sh build/release
bash tests/integration/tracks.sh build/release

echo "== scalar-only build (the kernels of a processor other than x86-64)"
cmake -S . -B build/scalar -DCMAKE_BUILD_TYPE=Release -DVESTREL_SCALAR_ONLY=ON -DVESTREL_TESTS=ON >/dev/null
cmake --build build/scalar -j "$jobs"
ctest --test-dir build/scalar --output-on-failure -j "$jobs"

echo "== sanitizer build (address, undefined)"
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVESTREL_SANITIZE=ON -DVESTREL_TESTS=ON >/dev/null
cmake --build build/sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/sanitize --output-on-failure -j "$jobs"

echo "== size of the tests"
bash scripts/test-ratio.sh
