#!/usr/bin/env bash
# Builds the libFuzzer targets with the fuzz preset (clang, AddressSanitizer
# and UndefinedBehaviorSanitizer), in its directory or FUZZ_BUILD_DIR, and runs
# each for FUZZ_SECONDS (default 45) from the example templates. Fails on a
# crash.
set -euo pipefail
cd "$(dirname "$0")/.."
"$PWD/scripts/install-deps.sh"

build_dir=${FUZZ_BUILD_DIR:-$(cmake -DPRESET=fuzz -P cmake/PresetBinaryDir.cmake)}
seconds=${FUZZ_SECONDS:-45}
targets=(fuzz_profile_file fuzz_read_template fuzz_read_runtime_template)

cmake --preset fuzz ${FUZZ_BUILD_DIR:+-B "$FUZZ_BUILD_DIR"} >/dev/null
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
