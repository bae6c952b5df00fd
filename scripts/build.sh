#!/usr/bin/env bash
# Configures and builds Corvane into ${BUILD_DIR:-build}.
# CORV_SANITIZE=address,undefined (or thread) builds an instrumented tree;
# CORV_TARGETS limits the build to the targets named.
set -euo pipefail
cd "$(dirname "$0")/.."
"$PWD/scripts/install-deps.sh"

build_dir=${BUILD_DIR:-build}
build_type=${BUILD_TYPE:-RelWithDebInfo}
[[ -n "${CORV_SANITIZE:-}" ]] && build_type=${BUILD_TYPE:-Debug}

cmake -S . -B "$build_dir" -G Ninja \
    -DCMAKE_BUILD_TYPE="$build_type" \
    -DCORV_WERROR=ON \
    -DCORV_SANITIZE="${CORV_SANITIZE:-}" \
    -DCORV_BUILD_BENCH="${CORV_BUILD_BENCH:-ON}" \
    ${CORV_CMAKE_ARGS:-} >/dev/null
# shellcheck disable=SC2086
cmake --build "$build_dir" -j"$(nproc)" ${CORV_TARGETS:+--target $CORV_TARGETS}
