#!/usr/bin/env bash
# Runs a command with a private Xvfb as its display. -noreset keeps the keymap
# and grabs when the last client disconnects, which the keyboard tests rely on.
set -euo pipefail
fdfile=$(mktemp)
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x1024x24 3>"$fdfile" 2>/dev/null &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -f "$fdfile"' EXIT
for _ in $(seq 100); do
    [[ -s "$fdfile" ]] && break
    sleep 0.05
done
[[ -s "$fdfile" ]] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(tr -d '[:space:]' <"$fdfile")"
"$@"
