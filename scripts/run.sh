#!/usr/bin/env bash
# Builds Corvane and runs the main job. Until the player is part of the build
# this stops after building.
set -euo pipefail
cd "$(dirname "$0")/.."
"$PWD/scripts/build.sh"
build_dir=${BUILD_DIR:-build}
if [[ ! -x "$build_dir/runtime/corvplay" ]]; then
    echo "Build finished. corvplay is not part of this build yet."
    exit 0
fi
exec "$build_dir/runtime/corvplay" "$@"
