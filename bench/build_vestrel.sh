# Sourced by the bench scripts from the repository root: builds the vestrel
# binary in Release (build/release) and sets $jobs and $vestrel. An existing
# build/release keeps its own settings (tests on or off); a new one is made
# without the tests, which the benchmark does not need. BENCH_NO_BUILD=1 takes
# the binary as it is.
jobs=$(nproc 2>/dev/null || echo 2)
if [ "${BENCH_NO_BUILD:-0}" = 1 ] && [ -x build/release/vestrel ]; then
  echo "== using build/release/vestrel as it is" >&2
elif [ -f build/release/CMakeCache.txt ]; then
  echo "== building vestrel (build/release)" >&2
  cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/release -j "$jobs" --target vestrel >&2
else
  echo "== building vestrel (build/release)" >&2
  cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DVESTREL_TESTS=OFF >/dev/null
  cmake --build build/release -j "$jobs" --target vestrel >&2
fi
vestrel=$PWD/build/release/vestrel  # used by the scripts that source this one
export vestrel
