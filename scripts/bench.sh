#!/usr/bin/env bash
# Builds the benchmarks, makes the 100,000-chemical database if it is missing
# and runs the benchmarks on it and on the shipped database side by side;
# ends with the table of ratios and medians.
#   scripts/bench.sh [--new-data] [Google Benchmark options]
# The build goes to build-bench/, the synthetic application folder to
# build-bench/bench-data/ (neither is part of the repository).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-bench
data=$build/bench-data
chemicals=${VELMORA_BENCH_CHEMICALS:-100000}

newdata=0
if [[ ${1:-} == --new-data ]]; then
  newdata=1
  shift
fi

scripts/setup.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BENCHMARKS=ON -DVELMORA_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target velmora-bench velmora-synthdata velmora_data

if [[ $newdata == 1 || ! -f $data/data/sj1.data ]]; then
  echo "Making $chemicals chemicals in $data (once) ..."
  "$build/data/velmora-synthdata" "$build/app/data" "$data" "$chemicals"
fi

export QT_QPA_PLATFORM=offscreen
"$build/bench/velmora-bench" --shipped="$build/app" --synthetic="$data" \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$build/bench-results.json" --benchmark_out_format=json "$@"
python3 bench/summary.py "$build/bench-results.json"
