#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang into build-fuzz/ (FUZZ_BUILD_DIR overrides) and
# runs each one for the given number of seconds (default 60), starting from its own seeds, the
# reproducers of past faults and the shared corpus of real forms when it is beside the checkout.
# Fails when any target finds a crash, a leak, a hang or runs out of memory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
# libFuzzer's runtime comes with clang's compiler-rt; both must be of one version.
"$root/scripts/install-deps.sh" clang-14 libclang-rt-14-dev

cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" -j "$(nproc)"

shared_corpus="$root/../shared/corpus"
declare -A shared_kinds=([form_stream]="dfm-binary dfm-text" [caption_scanner]="ebf frm dfm-text" [rpc_request]="")
# Room for any binary form and any request worth sending. The scanner keeps little state from line to
# line, so a few kilobytes of form text reach all of it; longer inputs would only slow the search.
declare -A max_len=([form_stream]=65536 [caption_scanner]=8192 [rpc_request]=16384)

passed=0
failed=()
for target in form_stream caption_scanner rpc_request; do
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  rm -rf "$corpus" "$artifacts"
  mkdir -p "$corpus" "$artifacts"
  cp "$root/fuzz/seeds/$target/"* "$corpus/"
  if [ -d "$root/fuzz/regressions/$target" ]; then
    cp "$root/fuzz/regressions/$target/"* "$corpus/" 2>/dev/null || true
  fi
  for kind in ${shared_kinds[$target]}; do
    for file in "$shared_corpus/$kind"/*; do
      [ -f "$file" ] && cp "$file" "$corpus/$kind-$(basename "$file")"
    done
  done

  log="$build/$target.log"
  echo "fuzz.sh: $target for ${seconds}s from $(ls "$corpus" | wc -l) inputs"
  if "$build/bin/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 -max_len="${max_len[$target]}" \
       -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1; then
    passed=$((passed + 1))
  else
    failed+=("$target")
    tail -n 60 "$log"
    echo "fuzz.sh: $target FAILED; the input is in $artifacts, the whole log in $log"
  fi
  grep -E '^#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb' "$log" | sed "s/^/  $target: /" || true
done

echo "fuzz: $passed passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
