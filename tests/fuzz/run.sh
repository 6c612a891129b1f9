#!/bin/bash
# Builds the libFuzzer targets with clang and runs each in turn for a bounded
# time, starting from a copy of its seed corpus.
#
#   tests/fuzz/run.sh [SECONDS_PER_TARGET] [TARGET...]
#
# SECONDS_PER_TARGET defaults to 60; TARGET defaults to all of them. The
# build (the fuzz preset), working corpora, crash inputs and logs go to
# build-fuzz/. Exits 1 when any target finds a crash, a leak, a timeout or a
# broken invariant.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$root/build-fuzz

seconds=${1:-60}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 [SECONDS_PER_TARGET] [TARGET...]" >&2
  exit 2
fi
shift $(( $# > 0 ? 1 : 0 ))
all_targets=(fuzz_parse_move fuzz_console fuzz_xboard fuzz_fen fuzz_rules fuzz_uci)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

# Whether clang can build and link a libFuzzer target with the sanitizers.
fuzzer_links() {
  command -v clang++ >/dev/null || return 1
  local probe
  probe=$(mktemp -d)
  printf '%s\n' '#include <cstddef>' '#include <cstdint>' \
    'extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }' >"$probe/probe.cpp"
  local status=0
  clang++ -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" \
    >/dev/null 2>&1 || status=1
  rm -rf "$probe"
  return $status
}

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
if [ ${#need[@]} -gt 0 ] || ! fuzzer_links; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${need[@]}" clang
  # Debian ships the sanitizer and libFuzzer runtimes in a package of their own.
  major=$(clang++ -dumpversion | cut -d. -f1)
  if apt-cache show "libclang-rt-$major-dev" >/dev/null 2>&1; then
    apt-get install -y -qq "libclang-rt-$major-dev"
  fi
  if ! fuzzer_links; then
    echo "clang++ cannot link a libFuzzer target with ASan and UBSan" >&2
    exit 2
  fi
fi

echo "== building the fuzz targets in $build"
(cd "$root" && cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j 2 --target "${targets[@]}")

failed=()
mkdir -p "$build/logs"
echo "== fuzzing, $seconds s per target"
for target in "${targets[@]}"; do
  # libFuzzer adds what it finds to the working corpus; the seeds in the
  # repository stay as they are.
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  log="$build/logs/$target.log"
  rm -rf "$artifacts"
  mkdir -p "$corpus" "$artifacts"
  cp "$here/corpus/$target/"* "$corpus/"

  started=$(date +%s)
  status=0
  "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1 || status=$?
  elapsed=$(( $(date +%s) - started ))

  runs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" | tail -n 1)
  done_line=$(grep -E '^Done [0-9]+ runs in [0-9]+ second' "$log" | tail -n 1 || true)
  if [ -n "$done_line" ]; then
    [ -n "$runs" ] || runs=$(echo "$done_line" | awk '{print $2}')
    elapsed=$(echo "$done_line" | awk '{print $5}')
  fi
  if [ "$status" -eq 0 ]; then
    printf '%-16s %10s runs in %4s s  ok\n' "$target" "${runs:-?}" "$elapsed"
  else
    printf '%-16s %10s runs in %4s s  FAILED (exit %d)\n' "$target" "${runs:-?}" "$elapsed" "$status"
    failed+=("$target")
    # The report is what comes after libFuzzer's start-up chatter.
    grep -v -E '^(INFO:|#[0-9]+)' "$log" | tail -n 60 | sed 's/^/    /'
    for input in "$artifacts"/*; do
      [ -e "$input" ] && echo "    reproduce: $build/fuzz/$target $input"
    done
    echo "    full log: $log"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "== fuzzing found failures in: ${failed[*]}"
  exit 1
fi
echo "== no failures"
