#!/usr/bin/env bash
# Runs every check: formatting, a warnings-as-errors build with all tests
# (GUI tests under a virtual display), then the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the benchmarks, then each
# fuzzing harness for 30 seconds; before those, the Debian packages are built,
# installed, tried and purged (as root).
#   scripts/test.sh           everything
#   scripts/test.sh --quick   skip the packages, the sanitizer build, the benchmarks and the fuzzing
set -euo pipefail
cd "$(dirname "$0")/.."
quick=0
[ "${1:-}" = "--quick" ] && quick=1

[ -n "${STO_NO_SETUP:-}" ] || scripts/setup.sh

echo "== formatting"
files=$(git ls-files '*.cpp' '*.h' '*.c' 2>/dev/null || true)
if [ -n "$files" ]; then
  # shellcheck disable=SC2086
  clang-format --dry-run --Werror $files
fi

run_tests() {
  local dir=$1
  (cd "$dir" && xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
      ctest --output-on-failure -j2 --timeout 600)
}

export NO_AT_BRIDGE=1
echo "== build (warnings are errors)"
scripts/build.sh build -DSTO_WERROR=ON -DSTO_SANITIZE=OFF
echo "== tests"
run_tests build

if [ $quick -eq 0 ]; then
  echo "== Debian packages: built, installed, tried and purged"
  scripts/package-test.sh build
  echo "== build with AddressSanitizer and UndefinedBehaviorSanitizer"
  scripts/build.sh build-asan -DSTO_WERROR=ON -DSTO_SANITIZE=ON
  echo "== tests under the sanitizers"
  export ASAN_OPTIONS="detect_leaks=1:verify_asan_link_order=0:abort_on_error=1"
  export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  run_tests build-asan
  unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS
  echo "== benchmarks"
  scripts/bench.sh build
  echo "== fuzzing, 30 seconds a harness"
  scripts/fuzz.sh 30
fi
echo "== all checks passed"
