#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, with address and undefined-behaviour
# sanitizers) and runs each for a bounded time.
# Usage: scripts/fuzz.sh [seconds per target] [target ...]
#   targets: fasta_reader coordinates command_line gzip (default: all four)
# Each run starts from the seed corpus in fuzz/corpus/<target> and keeps what
# it finds in build/fuzz/corpus/<target>; a crash leaves its input in
# build/fuzz/ and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fasta_reader coordinates command_line gzip)

bash scripts/install-deps.sh clang libclang-rt-14-dev cmake make libisal-dev

CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVESTREL_FUZZ=ON -DVESTREL_SANITIZE=ON -DVESTREL_TESTS=OFF >/dev/null
cmake --build build/fuzz -j "$(nproc 2>/dev/null || echo 2)" \
  --target "${targets[@]/%/_fuzz}"

for target in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$target
  mkdir -p "$corpus"
  echo "== fuzzing $target for ${seconds}s"
  (cd build/fuzz && "./fuzz/${target}_fuzz" -max_total_time="$seconds" -max_len=4096 \
     -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
     "corpus/$target" "../../fuzz/corpus/$target" 2>&1 | tail -n 15)
done
