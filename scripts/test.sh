#!/usr/bin/env bash
# Builds Corvane and runs the whole test suite headless, on a private Xvfb.
# Extra arguments go to ctest (for example -R Template). CORV_PRESET and
# BUILD_DIR choose the tree, as for scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
"$PWD/scripts/build.sh"
if [[ -n "${BUILD_DIR:-}" ]]; then
    # ctest --preset cannot be pointed at another tree.
    where=(--test-dir "$BUILD_DIR" --output-on-failure)
else
    where=(--preset "${CORV_PRESET:-default}")
fi
exec "$PWD/scripts/with-xvfb.sh" ctest "${where[@]}" -j"$(nproc)" "$@"
