#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for SECONDS (default 60)
# on a scratch copy of its seed corpus. Exits non-zero when any target finds a crash, a sanitizer
# report, a leak or a broken expectation; the input that did it is kept in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
    echo "usage: $0 [SECONDS]" >&2
    exit 2
fi

bash scripts/setup.sh fuzz

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAVRIN_FUZZ=ON "${launcher[@]}" >/dev/null
cmake --build build-fuzz --target tavrin_fuzzers

# Longest input per target: a few hundred rows of a status reply, a hand-edited layout or a
# versions document with room to spare, and a reply prefix with its split points.
declare -A maxLen=(
    [fuzz_statusreply]=32768
    [fuzz_columnlayout]=16384
    [fuzz_versions]=16384
    [fuzz_replyframer]=4096
)

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
work=build-fuzz/run
findings=build-fuzz/findings
failed=()
for target in fuzz_statusreply fuzz_columnlayout fuzz_versions fuzz_replyframer; do
    rm -rf "${work:?}/$target"
    mkdir -p "$work/$target" "$findings/$target"
    cp -r "fuzz/corpus/$target/." "$work/$target/"
    dict=()
    [ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")
    echo "== $target: ${seconds}s"
    rc=0
    # Inputs that once found a fault are replayed first, whatever their size.
    if compgen -G "fuzz/regressions/$target/*" >/dev/null; then
        build-fuzz/bin/"$target" fuzz/regressions/"$target"/* >"$work/$target.replay.log" 2>&1 ||
            { failed+=("$target"); echo "!! $target fails a kept regression input: $work/$target.replay.log"; }
    fi
    build-fuzz/bin/"$target" "$work/$target" "${dict[@]}" -max_total_time="$seconds" \
        -max_len="${maxLen[$target]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$findings/$target/" >"$work/$target.log" 2>&1 || rc=$?
    grep -E '^(#[0-9]+[[:space:]]+DONE|stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)|==[0-9]+==|SUMMARY|.*expectation failed|.*runtime error)' \
        "$work/$target.log" || true
    if [ "$rc" -ne 0 ]; then
        failed+=("$target")
        echo "!! $target found a fault; input kept in $findings/$target/, log in $work/$target.log"
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Findings in: ${failed[*]}" >&2
    exit 1
fi
echo "No findings."
