#!/usr/bin/env bash
# Runs clang-tidy-14 (.clang-tidy) over the project's C++ files, in parallel,
# with the compile database of a build tree: that of the preset
# ${CORV_PRESET:-default}, or BUILD_DIR. It does not build; scripts/build.sh
# makes the database.
#
#   scripts/tidy.sh          the changed files
#   scripts/tidy.sh --all    every .cpp of the project
#
# A .cpp counts when changed; a changed .h brings the .cpp files that include
# it, directly or through other headers. "Changed" is relative to
# CORV_TIDY_BASE when set (e.g. origin/main: its merge base with HEAD, to the
# working tree). Otherwise it is what the commits of the 24 hours before HEAD's
# own commit date changed, along HEAD's first parents (so a merge brings all
# it merged), plus what is not committed yet: CI runs on a fresh clone of main,
# which has no other branch to compare with. When the history does not reach
# back 24 hours (a young or shallow clone), every file counts.
#
# Files the database lacks (fuzz/ outside the fuzz tree, bench/ in the
# sanitizer trees) are named and skipped. Exits non-zero on any warning.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

all=false
case "${1:-}" in
--all) all=true ;;
"") ;;
*)
    echo "usage: scripts/tidy.sh [--all]" >&2
    exit 2
    ;;
esac

build_dir=${BUILD_DIR:-$(cmake -DPRESET="${CORV_PRESET:-default}" -P cmake/PresetBinaryDir.cmake)}
database=$build_dir/compile_commands.json
if [[ ! -f "$database" ]]; then
    echo "tidy.sh: no $database; build that tree first (scripts/build.sh)" >&2
    exit 2
fi

# Tracked and untracked (not ignored) sources of the project.
mapfile -t sources < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')

if $all; then
    changed=("${sources[@]}")
else
    if [[ -n "${CORV_TIDY_BASE:-}" ]]; then
        base=$(git merge-base "$CORV_TIDY_BASE" HEAD)
    else
        head_date=$(git log -1 --format=%ct HEAD)
        base=$(git rev-list -1 --first-parent --until="@$((head_date - 86400))" HEAD)
    fi
    if [[ -z "$base" ]]; then
        changed=("${sources[@]}")
    else
        mapfile -t changed < <(
            git diff --name-only --diff-filter=d "$base" -- '*.cpp' '*.h'
            git ls-files --others --exclude-standard -- '*.cpp' '*.h'
        )
    fi
fi

# The .cpp files to check: those changed, and those that include a changed
# header, following headers that include it in turn.
declare -A wanted=() seen=()
headers=()
# sources is never empty while a header is changed; grep with no files would
# read standard input.
for f in "${changed[@]}"; do
    case "$f" in
    *.cpp) wanted[$f]=1 ;;
    *.h) headers+=("$f") ;;
    esac
done
while [[ ${#headers[@]} -gt 0 ]]; do
    h=${headers[0]}
    headers=("${headers[@]:1}")
    [[ -n "${seen[$h]:-}" ]] && continue
    seen[$h]=1
    name=$(basename "$h" .h)
    while IFS= read -r includer; do
        case "$includer" in
        *.cpp) wanted[$includer]=1 ;;
        *.h) headers+=("$includer") ;;
        esac
    done < <(grep -lE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"<]([^\">]*/)?${name}\\.h[\">]" \
        -- "${sources[@]}" 2>/dev/null || true)
done

# Only what the database knows can be checked; generated sources (moc, rcc)
# are in it but not among the project's files.
declare -A known=()
while IFS= read -r path; do
    known[$path]=1
done < <(grep -o '"file": "[^"]*"' "$database" | sed 's/^"file": "//; s/"$//')
files=()
skipped=()
for f in "${!wanted[@]}"; do
    if [[ -n "${known[$root/$f]:-}" ]]; then
        files+=("$root/$f")
    else
        skipped+=("$f")
    fi
done
if [[ ${#skipped[@]} -gt 0 ]]; then
    echo "tidy.sh: not in $database, skipped: $(printf '%s\n' "${skipped[@]}" | sort | tr '\n' ' ')"
fi
if [[ ${#files[@]} -eq 0 ]]; then
    echo "tidy.sh: no C++ files to check"
    exit 0
fi

$all || echo "tidy.sh: checking $(printf '%s\n' "${files[@]#"$root/"}" | sort | tr '\n' ' ')"
start=$SECONDS
outputs=$(mktemp -d)
trap 'rm -rf "$outputs"' EXIT
# Each file that has something to say leaves its output in $outputs, so that
# parallel runs do not interleave.
# shellcheck disable=SC2016  # expanded by the bash that xargs starts
check_one='out=$(clang-tidy-14 --quiet -p "$1" "$3" 2>&1) ||
    printf "%s\n" "$out" >"$2/$(echo "$3" | tr / _)"'
status=0
printf '%s\0' "${files[@]}" |
    xargs -0 -r -n 1 -P "${TIDY_JOBS:-$(nproc)}" bash -c "$check_one" _ "$build_dir" "$outputs" ||
    status=$?
bad=$(find "$outputs" -type f | wc -l)
# A header's warning comes once from every file that includes it: show each
# once, with its source lines and notes.
find "$outputs" -type f -print0 | sort -z | xargs -0 -r cat | awk -v show=1 '
    /^[0-9]+ (warning|error)s? (and [0-9]+ (warning|error)s? )?generated\.$/ { next }
    /^[^ ].*:[0-9]+:[0-9]+: (warning|error): / { show = !($0 in seen); seen[$0] = 1 }
    /^Error while processing / { print; next }
    show { print }'
echo "tidy.sh: ${#files[@]} files checked in $((SECONDS - start)) s; $bad with warnings"
# xargs failing for another reason (a killed run) leaves files unchecked.
[[ $bad -eq 0 && $status -eq 0 ]]
