#!/usr/bin/env bash
# Builds Corvane and runs the whole test suite headless, on a private Xvfb.
# Extra arguments go to ctest (for example -R Template).
set -euo pipefail
cd "$(dirname "$0")/.."
"$PWD/scripts/build.sh"
build_dir=${BUILD_DIR:-build}
exec "$PWD/scripts/with-xvfb.sh" \
    ctest --test-dir "$build_dir" --output-on-failure -j"$(nproc)" "$@"
