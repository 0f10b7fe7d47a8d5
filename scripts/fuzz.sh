#!/usr/bin/env bash
# Builds the libFuzzer targets of the file readers (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 30, what CI runs) from
# the seed corpus. Fails on any crash, sanitizer report, leak, timeout, broken invariant
# or memory bomb: an input of at most 64 KiB that makes a target hold more than 512 MB,
# or ask for that much in one allocation, is a finding. The failing input is kept in
# <build>/fuzz/artifacts/. VELMORA_FUZZ_BUILD names the build folder (default build-fuzz
# in the repository).
#
# Longer runs: give more seconds per target, e.g. `scripts/fuzz.sh 3600` for an hour
# each. New inputs collect in <build>/fuzz/corpus/ and are kept across runs, so each run
# starts where the last one stopped; remove that folder to start from the seeds again.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
build=$(realpath -m "${VELMORA_FUZZ_BUILD:-build-fuzz}")
root=$PWD
targets=(fuzz_fst_shape fuzz_vector_data fuzz_position_file fuzz_image_decode fuzz_matches_file
  fuzz_colmap_model)

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVELMORA_FUZZ=ON -DVELMORA_SANITIZE=address,undefined \
  -DCMAKE_C_FLAGS=-fno-sanitize-recover=all -DCMAKE_CXX_FLAGS=-fno-sanitize-recover=all \
  -DVELMORA_BUILD_GUI=OFF -DVELMORA_BUILD_BENCH=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j2 --target velmora_fuzz

out="$build/fuzz"
mkdir -p "$out/artifacts"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export QT_QPA_PLATFORM=offscreen
failed=()
for t in "${targets[@]}"; do
  name=${t#fuzz_}
  corpus="$out/corpus/$name"
  mkdir -p "$corpus"
  log="$out/$t.log"
  echo "== $t: ${seconds}s"
  # The targets work in a folder of their own, so every path given is absolute.
  # The first folder collects new inputs across runs; the seeds stay as they are.
  # An input over 64 KiB adds nothing a smaller one cannot reach; 10 s is a hang. The
  # readers' memory is bounded by a small multiple of the file's size, so 512 MB for a
  # 64 KiB input can only be a count the file declared and could not hold.
  if "$out/$t" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
      -rss_limit_mb=512 -malloc_limit_mb=512 \
      -detect_leaks=1 -print_final_stats=1 -artifact_prefix="$out/artifacts/$name-" \
      -dict="$root/fuzz/$name.dict" "$corpus" "$out/seeds/$name" >"$log" 2>&1; then
    grep -h "stat::number_of_executed_units" "$log" | sed "s/^/   /"
  else
    echo "   FAILED; last lines of $log:"
    tail -n 40 "$log" | sed "s/^/   /"
    failed+=("$t")
  fi
done
if ((${#failed[@]})); then
  echo "Fuzzing found faults in: ${failed[*]}" >&2
  exit 1
fi
echo "Fuzzing: no findings."
