#!/usr/bin/env bash
# Builds the fuzz targets with clang in a build folder of their own and runs the request fuzzer for
# a while from the seed corpus (never changing it). Prints the executions reached and the crashes
# found; exits non-zero when one was found (its input is kept in the artifact folder).
#   fuzz/run.sh [seconds]     (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_TO_RUN=${1:-60}
BUILD_DIR=${QUORLIN_FUZZ_BUILD_DIR:-build-fuzz}
ARTIFACTS=${QUORLIN_FUZZ_ARTIFACTS:-$BUILD_DIR/fuzz-artifacts}

cmake -S . -B "$BUILD_DIR" -DQUORLIN_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" --target http_request_fuzz -j"$(nproc)" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$ARTIFACTS"
touch "$work/started"   # inputs kept from earlier runs are not this run's findings
log="$work/fuzz.log"
status=0
"$BUILD_DIR/http_request_fuzz" -max_total_time="$SECONDS_TO_RUN" -max_len=16384 -timeout=10 \
  -print_final_stats=1 -artifact_prefix="$ARTIFACTS/" "$work/corpus" fuzz/corpus/request >"$log" 2>&1 || status=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
crashes=$(find "$ARTIFACTS" -maxdepth 1 -newer "$work/started" -regextype egrep -regex '.*/(crash|leak|timeout|oom)-.*' | wc -l)
echo "http_request_fuzz: ${runs:-0} executions in ${SECONDS_TO_RUN} s, ${crashes} crashes"
if [ "$status" -ne 0 ] || [ "$crashes" -ne 0 ]; then
  tail -40 "$log"
  exit 1
fi
