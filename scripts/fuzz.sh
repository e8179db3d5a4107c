#!/usr/bin/env bash
# Builds the fuzzing harnesses of fuzz/ with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer in their own tree, and runs each for a bounded time from its
# seeds (fuzz/corpus/NAME, never written to). Fails when one finds a crash, a leak, a
# hang or a broken property; what it found is kept under build-fuzz/runs/NAME/.
#   scripts/fuzz.sh [SECONDS]   seconds per harness, 30 unless given
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
dir=build-fuzz

if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh: clang++ is not installed (scripts/setup.sh installs it)" >&2
  exit 1
fi
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi
CC=clang CXX=clang++ cmake -S . -B "$dir" -DSTO_FUZZ=ON "${launcher[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)" --target sto_fuzzers

export ASAN_OPTIONS="detect_leaks=1:verify_asan_link_order=0"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=()
for harness in "$dir"/fuzzers/*; do
  [ -f "$harness" ] && [ -x "$harness" ] || continue
  name=$(basename "$harness")
  run="$dir/runs/$name"
  rm -rf "$run"
  mkdir -p "$run/corpus"
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  echo "== fuzzing $name for ${seconds}s"
  # New inputs go to the run's own corpus; a finding to the run's folder.
  if "$harness" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$run/" "$run/corpus" "${seeds[@]}" \
      >"$run/output.txt" 2>&1; then
    grep -E '^stat::number_of_executed_units' "$run/output.txt" || true
  else
    failed+=("$name")
    tail -n 40 "$run/output.txt"
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz.sh: findings by ${failed[*]}; inputs in $dir/runs/<name>/" >&2
  exit 1
fi
echo "== fuzzing found nothing"
