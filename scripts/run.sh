#!/usr/bin/env bash
# Builds corvplay alone and runs the main job: corvplay plays the flight
# example on a scripted virtual joystick and prints the keystrokes it would
# type, so it works on a machine with no joystick (and, with no display,
# without a window). scripts/build.sh and scripts/test.sh build the rest.
# Extra arguments replace the demo's, e.g. scripts/run.sh my.joy
# CORV_PRESET and BUILD_DIR choose the tree, as for scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
CORV_TARGETS=corvplay "$PWD/scripts/build.sh"
build_dir=${BUILD_DIR:-$(cmake -DPRESET="${CORV_PRESET:-default}" -P cmake/PresetBinaryDir.cmake)}
if [[ $# -eq 0 ]]; then
    set -- --joystick virtual:examples/flight.demo --keys print examples/flight.joy
fi
exec "$build_dir/runtime/corvplay" "$@"
