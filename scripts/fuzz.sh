#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) in ${FUZZ_BUILD_DIR:-build-fuzz} and runs each
# for FUZZ_SECONDS (default 45) from the example templates. Fails on a crash.
set -euo pipefail
cd "$(dirname "$0")/.."
"$PWD/scripts/install-deps.sh"

build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-45}
targets=(fuzz_profile_file fuzz_read_template fuzz_read_runtime_template)

CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCORV_WERROR=ON \
    -DCORV_SANITIZE=address,undefined \
    -DCORV_BUILD_FUZZ=ON \
    -DCORV_BUILD_TESTS=OFF \
    -DCORV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j"${FUZZ_JOBS:-2}" --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for target in "${targets[@]}"; do
    corpus="$build_dir/corpus/$target"
    artifacts="$build_dir/artifacts/$target/"
    mkdir -p "$corpus" "$artifacts"
    echo "--- $target: ${seconds} s"
    "$build_dir/fuzz/$target" -max_total_time="$seconds" -max_len=65536 \
        -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" examples/
done
