#!/usr/bin/env bash
# Builds the benchmarks, makes the 100,000-chemical database if it is missing
# and runs the benchmarks on it and on the shipped database side by side;
# with --million also on 1,000,000 chemicals (made once, about 4.6 GB, the
# derived chemicals sharing 32 small pictures). Ends with the tables of
# ratios and medians.
#   scripts/bench.sh [--new-data] [--million] [Google Benchmark options]
# The build goes to build-bench/, the synthetic application folders to
# build-bench/bench-data/ and build-bench/bench-data-1m/ (neither is part of
# the repository; VELMORA_BENCH_DATA and VELMORA_BENCH_MILLION_DATA put them
# elsewhere).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-bench
data=${VELMORA_BENCH_DATA:-$build/bench-data}
million_data=${VELMORA_BENCH_MILLION_DATA:-$build/bench-data-1m}
chemicals=${VELMORA_BENCH_CHEMICALS:-100000}

newdata=0
million=0
while [[ $# -gt 0 ]]; do
  case $1 in
    --new-data) newdata=1; shift ;;
    --million) million=1; shift ;;
    *) break ;;
  esac
done

scripts/setup.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BENCHMARKS=ON -DVELMORA_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target velmora-bench velmora-synthdata velmora_data

if [[ $newdata == 1 || ! -f $data/data/sj1.data ]]; then
  echo "Making $chemicals chemicals in $data (once) ..."
  "$build/data/velmora-synthdata" "$build/app/data" "$data" "$chemicals"
fi
extra=()
if [[ $million == 1 ]]; then
  if [[ $newdata == 1 || ! -f $million_data/data/sj1.data ]]; then
    echo "Making 1000000 chemicals in $million_data (once, several minutes) ..."
    "$build/data/velmora-synthdata" "$build/app/data" "$million_data" 1000000 32
  fi
  extra=(--million="$million_data")
fi

export QT_QPA_PLATFORM=offscreen
"$build/bench/velmora-bench" --shipped="$build/app" --synthetic="$data" "${extra[@]}" \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$build/bench-results.json" --benchmark_out_format=json "$@"
python3 bench/summary.py "$build/bench-results.json"
