#!/bin/bash
# Builds the libFuzzer targets of tests/fuzz with clang (in build-fuzz/) and
# runs them, one after the other, each for SECONDS (default 300).
#   tools/fuzz.sh                 every target
#   tools/fuzz.sh station 60      one target for a minute
# New inputs go to build-fuzz/corpus/TARGET, failures to
# build-fuzz/artifacts/TARGET/; a failing input belongs in
# tests/fuzz/regressions/TARGET/ once its cause is fixed. Needs clang and
# libclang-rt-14-dev (or the runtime of the clang in use).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${VELKARI_FUZZ_BUILD:-build-fuzz}
seconds=${2:-300}
all="robot linkmesh tool objectmesh_ascii objectmesh_binary sequence rapid language station
serverrequest lanreply krl ls urscript"
targets=${1:-$all}
[ "$targets" = all ] && targets=$all

declare -A dict=([robot]=robot [linkmesh]=mesh [tool]=mesh [objectmesh_ascii]=mesh
    [objectmesh_binary]="" [sequence]=sequence [rapid]=rapid [language]=language
    [station]=station [serverrequest]=serverrequest [lanreply]=lanreply
    [krl]=krl [ls]=ls [urscript]=urscript)

cmake -S . -B "$build" -DVELKARI_FUZZ=ON -DCMAKE_CXX_COMPILER="${CXX:-clang++}" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELKARI_BUILD_BENCHMARKS=OFF >/dev/null
for t in $targets; do
    cmake --build "$build" -j2 --target "fuzz_$t"
done
failed=""
for t in $targets; do
    mkdir -p "$build/corpus/$t" "$build/artifacts/$t"
    # One fuzzer process (no -jobs): the default of libFuzzer.
    args=(-max_total_time="$seconds" -max_len=4096 -timeout=10
          -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/artifacts/$t/")
    [ -n "${dict[$t]}" ] && args+=(-dict="tests/fuzz/dict/${dict[$t]}.dict")
    # libFuzzer reads directories: single shipped files are linked into one.
    dirs=()
    mkdir -p "$build/seeds/$t"
    for s in $(cat "$build/fuzz-seeds/$t"); do
        if [ -d "$s" ]; then dirs+=("$s"); else ln -sf "$s" "$build/seeds/$t/"; fi
    done
    echo "== $t"
    "$build/bin/fuzz_$t" "${args[@]}" "$build/corpus/$t" "${dirs[@]}" "$build/seeds/$t" \
        >"$build/fuzz-$t.log" 2>&1 || failed="$failed $t"
    grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|ERROR|invariant|runtime error|SUMMARY|stat::' \
        "$build/fuzz-$t.log" || true
done
if [ -n "$failed" ]; then
    echo "Findings in:$failed (inputs in $build/artifacts/)" >&2
    exit 1
fi
