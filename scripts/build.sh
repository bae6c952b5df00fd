#!/usr/bin/env bash
# Configures and builds Corvane with the configure preset ${CORV_PRESET:-default}
# of CMakePresets.json (default, asan-ubsan, tsan, fuzz), into the preset's
# directory or into BUILD_DIR when set. CORV_TARGETS limits the build to the
# targets named; CORV_CMAKE_ARGS adds arguments to the configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
"$PWD/scripts/install-deps.sh"

# The presets replaced these; ignoring them would build something else than
# asked and call it a success.
for old in CORV_SANITIZE CORV_BUILD_BENCH BUILD_TYPE; do
    if [[ -n "${!old:-}" ]]; then
        echo "build.sh: $old is no longer read: choose a preset with CORV_PRESET" \
            "(asan-ubsan, tsan, fuzz) or pass -D options in CORV_CMAKE_ARGS" >&2
        exit 2
    fi
done

preset=${CORV_PRESET:-default}
build_dir=${BUILD_DIR:-$(cmake -DPRESET="$preset" -P cmake/PresetBinaryDir.cmake)}
# -B overrides the preset's binaryDir; CORV_CMAKE_ARGS is split into words.
# shellcheck disable=SC2086
cmake --preset "$preset" ${BUILD_DIR:+-B "$BUILD_DIR"} ${CORV_CMAKE_ARGS:-} >/dev/null
# shellcheck disable=SC2086
cmake --build "$build_dir" -j"$(nproc)" ${CORV_TARGETS:+--target $CORV_TARGETS}
