#!/usr/bin/env bash
# Builds the libFuzzer targets of the file readers (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 30) from the seed
# corpus. Fails on any crash, sanitizer report, leak, timeout or broken invariant; the
# failing input is kept in <build>/fuzz/artifacts/. VELMORA_FUZZ_BUILD names the build
# folder (default build-fuzz in the repository).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
build=$(realpath -m "${VELMORA_FUZZ_BUILD:-build-fuzz}")
root=$PWD
targets=(fuzz_fst_shape fuzz_vector_data fuzz_position_file fuzz_image_decode)

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
  # An input over 64 KiB adds nothing a smaller one cannot reach; 10 s is a hang.
  if "$out/$t" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
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
