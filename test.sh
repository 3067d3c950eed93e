#!/usr/bin/env bash
# Builds if needed (quietly, into build/build.log) and runs every test.
# Shows a short progress (a line at every tenth of the suite), each failure
# in full (the test's result line and its whole output) and ctest's closing
# count with the list of the tests that failed. ctest keeps the whole log in
# build/Testing/Temporary/LastTest.log; the exit status is ctest's.
# Arguments go to ctest, e.g. ./test.sh -L core, ./test.sh -R Journal.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export BUILD_DIR="${BUILD_DIR:-$ROOT/build}"

# The build's own output goes to a file, shown whole when the build fails.
mkdir -p "$BUILD_DIR"
build_log="$BUILD_DIR/build.log"
echo "Building (its output: $build_log)"
if ! bash "$ROOT/tools/setup.sh" > "$build_log" 2>&1; then
    cat "$build_log"
    echo "The build failed; nothing was tested (the build's output is above and in $build_log)"
    exit 1
fi

# Reads ctest's output and writes what a person wants to see of it.
summarise() {
    local line done=0 total=0 failed=0 shown=0 tenth in_failure=0 closing=0 start=$SECONDS
    local result='^ *([0-9]+)/([0-9]+) Test +#[0-9]+: '
    while IFS= read -r line; do
        if ((closing)); then
            printf '%s\n' "$line"
        elif [[ $line =~ $result ]]; then
            done=${BASH_REMATCH[1]}
            total=${BASH_REMATCH[2]}
            # Anything but passed or skipped is a failure, shown with its output.
            in_failure=0
            if [[ ! $line =~ \ (Passed|\*\*\*Skipped|Not\ Run\ \(Disabled\))\ +[0-9.]+\ sec$ ]]; then
                failed=$((failed + 1))
                in_failure=1
            fi
            tenth=$((done * 10 / total))
            if ((tenth > shown)); then
                shown=$tenth
                printf '%3d%%  %d/%d tests run, %d failed, %ds\n' $((tenth * 10)) "$done" "$total" "$failed" \
                    $((SECONDS - start))
            fi
            if ((in_failure)); then
                printf '\nFAILED %s\n' "$line"
            fi
        elif [[ $line =~ ^[0-9]+%\ tests\ passed ]] || [[ $line == "No tests were found"* ]]; then
            closing=1
            printf '\n%s\n' "$line"
        elif [[ $line =~ ^\ +Start\ +[0-9]+: ]]; then
            in_failure=0
        elif ((in_failure)); then
            printf '%s\n' "$line"
        elif [[ $line == "Test project "* ]]; then
            printf '%s\n' "$line"
        fi
    done
}

set +e
ctest --test-dir "$BUILD_DIR" --output-on-failure --no-label-summary -j "$(nproc)" "$@" | summarise
status=${PIPESTATUS[0]}
set -e
echo "The whole log: $BUILD_DIR/Testing/Temporary/LastTest.log"
exit "$status"
