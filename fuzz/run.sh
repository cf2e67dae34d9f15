#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, first replaying its seed corpus
# (and every regression input kept in fuzz/regressions/<target>/).
#
# Usage: fuzz/run.sh BUILD_DIR SECONDS ARTIFACT_DIR
#   Each target runs SECONDS of wall time on one worker, from a working copy
#   of fuzz/corpus/<target>/ (new inputs stay in ARTIFACT_DIR, the repository's
#   corpus is not touched).  A crash, leak, timeout or sanitizer report stops
#   the target; its input is kept in ARTIFACT_DIR/<target>/ and the run fails.
#   Prints the executions of each target.
set -u
[ $# -eq 3 ] || { sed -n '2,/^set -u/p' "$0" | sed -e 's/^# \{0,1\}//' -e '/^set -u/d' >&2; exit 2; }
BUILD=$(realpath -- "$1"); SECONDS_EACH=$2; ART=$(realpath -m -- "$3")
HERE=$(cd "$(dirname "$0")" && pwd)
status=0
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for target in words board book bookmake pgn uci xboard; do
    bin="$BUILD/fuzz_$target"
    out="$ART/$target"
    rm -rf "$out"; mkdir -p "$out/corpus"
    cp -r "$HERE/corpus/$target/." "$out/corpus/" 2>/dev/null
    max_len=4096
    [ "$target" = book ] && max_len=8192
    # a UCI line holds up to 8191 bytes ("position startpos moves ..." of a
    # long game): longer inputs reach the cut of an over-long line
    [ "$target" = uci ] && max_len=12288
    # regression inputs first: each must run clean, and quickly (some were
    # kept for running tens of seconds; now each takes well under a second)
    mapfile -t kept < <(find "$HERE/regressions/$target" -type f ! -name '.*' 2>/dev/null | sort)
    if [ ${#kept[@]} -gt 0 ]; then
        if ! "$bin" -close_fd_mask=3 -timeout=10 "${kept[@]}" > "$out/regressions.log" 2>&1; then
            echo "fuzz $target: a regression input fails again (see $out/regressions.log)"
            tail -40 "$out/regressions.log"
            status=1
            continue
        fi
    fi
    "$bin" "$out/corpus" -max_total_time="$SECONDS_EACH" -max_len="$max_len" -timeout=20 -rss_limit_mb=2048 \
        -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="$out/" > "$out/fuzz.log" 2>&1
    rc=$?
    execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out/fuzz.log" | grep -o '[0-9]*$' | tail -1)
    speed=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$out/fuzz.log" | grep -o '[0-9]*$' | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$out/fuzz.log" | tail -1)
    if [ $rc -ne 0 ]; then
        echo "fuzz $target: FAILED (status $rc) after ${execs:-?} executions; input and log in $out"
        grep -E 'ERROR|SUMMARY|runtime error|Test unit written' "$out/fuzz.log" | head -10
        status=1
    else
        echo "fuzz $target: ${execs:-?} executions in ${SECONDS_EACH} s (${speed:-?}/s), ${cov:-cov ?}, corpus $(ls "$out/corpus" | wc -l) inputs"
    fi
done
exit $status
