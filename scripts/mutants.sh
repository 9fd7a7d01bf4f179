#!/usr/bin/env bash
# Mutation testing, a developer tool (not part of scripts/test.sh): applies
# one single-line fault at a time to the source, rebuilds, and checks that
# at least one test fails. A fault no test notices "survived".
#
# Usage: scripts/mutants.sh [LIST] [ID...]
#   LIST  the mutant list (default scripts/mutants.txt); one mutant a line,
#         fields separated by " | ":
#           ID | relative/path | exact original text | replacement text
#         Lines starting with # and blank lines are ignored. The original
#         text must occur exactly once in the file, else the mutant is
#         reported "invalid" and the run goes on.
#   ID... run only these mutants (MUTANTS_ONLY="ID ID" does the same).
#
# Environment:
#   MUTANTS_BUILD_DIR      build folder (default build/mutants; Release, tests on)
#   MUTANTS_RESULTS        per-mutant results (default BUILD_DIR/results.txt);
#                          one "ID outcome" a line, for diffing two runs
#   MUTANTS_RUNNER         gtest (default): each test program in shards, one a
#                          core, stopping at the first failure; ctest: plain
#                          ctest --stop-on-failure
#   MUTANTS_TIMEOUT        seconds per test under ctest (default 120)
#   MUTANTS_SHARD_TIMEOUT  seconds per shard under gtest (default 300)
#   MUTANTS_SKIP_BASELINE  1: do not check that the unmutated tree passes
#
# The work tree is restored byte for byte after every mutant, also on error
# or interruption; build and test logs stay in BUILD_DIR/mutant-logs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

list=scripts/mutants.txt
if [[ $# -gt 0 ]]; then
    list=$1
    shift
fi
only=("$@")
if [[ -n ${MUTANTS_ONLY:-} ]]; then
    read -r -a extra <<<"$MUTANTS_ONLY"
    only+=("${extra[@]}")
fi
build=${MUTANTS_BUILD_DIR:-build/mutants}
runner=${MUTANTS_RUNNER:-gtest}
test_timeout=${MUTANTS_TIMEOUT:-120}
shard_timeout=${MUTANTS_SHARD_TIMEOUT:-300}
jobs=$(nproc 2>/dev/null || echo 2)

[[ -f $list ]] || { echo "mutants.sh: no mutant list $list" >&2; exit 2; }
case $runner in gtest | ctest) ;; *) echo "mutants.sh: MUTANTS_RUNNER is gtest or ctest" >&2; exit 2 ;; esac
# A set variable would make the golden tests rewrite the stored results.
unset VESTREL_UPDATE_GOLDEN

# The list handling, in Python to avoid any quoting of the texts.
#   ids LIST         the IDs in list order (stops on a malformed line)
#   file LIST ID     the mutant's file
#   apply LIST ID    applies the mutant; exit 3 when the text is not there
#                    exactly once
#   programs JSON    the test programs and their folders from ctest's test list
helper='
import json, os, sys

def mutants(path):
    found, seen = [], set()
    with open(path, encoding="utf-8") as handle:
        for number, line in enumerate(handle, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            fields = line.split(" | ", 3)
            if len(fields) != 4 or not fields[0] or " " in fields[0]:
                sys.exit(f"{path}:{number}: expected ID | file | original | replacement")
            ident, name, original, replacement = fields
            if ident in seen:
                sys.exit(f"{path}:{number}: the ID {ident} is used twice")
            seen.add(ident)
            if os.path.isabs(name) or ".." in name.split("/"):
                sys.exit(f"{path}:{number}: the file must be a path inside the project")
            found.append((ident, name, original, replacement))
    return found

def find(path, ident):
    for mutant in mutants(path):
        if mutant[0] == ident:
            return mutant
    sys.exit(f"no mutant {ident} in {path}")

command = sys.argv[1]
if command == "ids":
    for mutant in mutants(sys.argv[2]):
        print(mutant[0])
elif command == "file":
    print(find(sys.argv[2], sys.argv[3])[1])
elif command == "apply":
    _, name, original, replacement = find(sys.argv[2], sys.argv[3])
    if not original or original == replacement or not os.path.isfile(name):
        sys.exit(3)
    with open(name, "rb") as handle:
        text = handle.read()
    old, new = original.encode(), replacement.encode()
    if text.count(old) != 1:
        sys.exit(3)
    with open(name, "r+b") as handle:
        handle.write(text.replace(old, new))
        handle.truncate()
elif command == "programs":
    seen = []
    for test in json.load(sys.stdin)["tests"]:
        folder = "."
        for prop in test.get("properties", []):
            if prop["name"] == "WORKING_DIRECTORY":
                folder = prop["value"]
        entry = (test["command"][0], folder)
        if entry not in seen:
            seen.append(entry)
    for program, folder in seen:
        print(f"{program}\t{folder}")
'
py() { python3 -c "$helper" "$@"; }

mapfile -t all_ids < <(py ids "$list")
ids=()
if [[ ${#only[@]} -gt 0 ]]; then
    for id in "${only[@]}"; do
        printf '%s\n' "${all_ids[@]}" | grep -qxF -- "$id" || { echo "mutants.sh: no mutant $id in $list" >&2; exit 2; }
        ids+=("$id")
    done
else
    ids=("${all_ids[@]}")
fi

mkdir -p "$build"
build=$(cd "$build" && pwd)  # the shards run in other folders
results=${MUTANTS_RESULTS:-$build/results.txt}
logs=$build/mutant-logs
exec 9>"$build/.mutants.lock"
flock -n 9 || { echo "mutants.sh: another run uses $build" >&2; exit 2; }

# Restoring the mutated file, whatever ends the run. The copy is written
# over the file (new modification time), so the next build recompiles it.
scratch=$(mktemp -d /tmp/vestrel-mutants.XXXXXX)
chmod 1777 "$scratch/"  # the tests may run the binary as an unprivileged user
mkdir "$scratch/tmp"
chmod 1777 "$scratch/tmp"
applied=""
running=()
restore() {
    if [[ -n $applied ]]; then
        cat "$scratch/original" >"$applied"
        applied=""
    fi
}
stop_running() {
    local pid
    for pid in "${running[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${running[@]}"; do { wait "$pid"; } 2>/dev/null || true; done
    running=()
}
finish() {
    stop_running
    restore
    rm -rf "$scratch"
}
trap finish EXIT
trap 'echo "mutants.sh: interrupted" >&2; exit 130' INT
trap 'echo "mutants.sh: terminated" >&2; exit 143' TERM

build_tree() { cmake --build "$build" -j "$jobs" >"$1" 2>&1; }

# Runs the tests; status 0 when all pass, 124 on a timeout, other values
# when a test fails.
programs=()
run_tests() {
    local log=$1
    rm -rf "${scratch:?}/tmp/"*
    if [[ $runner == ctest ]]; then
        TMPDIR=$scratch/tmp ctest --test-dir "$build" -j "$jobs" --timeout "$test_timeout" \
            --stop-on-failure --output-on-failure >"$log" 2>&1
        return
    fi
    : >"$log"
    local entry program folder shard status pid
    for entry in "${programs[@]}"; do
        program=${entry%%$'\t'*}
        folder=${entry#*$'\t'}
        running=()
        for ((shard = 0; shard < jobs; shard++)); do
            (cd "$folder" && TMPDIR=$scratch/tmp GTEST_TOTAL_SHARDS=$jobs GTEST_SHARD_INDEX=$shard \
                exec timeout "$shard_timeout" "$program" --gtest_fail_fast \
                --gtest_also_run_disabled_tests --gtest_brief=1 \
                >"$log.$shard" 2>&1) &
            running+=("$!")
        done
        # The first shard to fail decides; the others are stopped.
        while [[ ${#running[@]} -gt 0 ]]; do
            status=0
            wait -n -p pid "${running[@]}" || status=$?
            local left=()
            for p in "${running[@]}"; do [[ $p == "$pid" ]] || left+=("$p"); done
            running=("${left[@]}")
            if [[ $status -ne 0 ]]; then
                stop_running
                for ((shard = 0; shard < jobs; shard++)); do cat "$log.$shard" >>"$log"; done
                rm -f "$log".[0-9]*
                return "$status"
            fi
        done
        for ((shard = 0; shard < jobs; shard++)); do cat "$log.$shard" >>"$log"; done
    done
    rm -f "$log".[0-9]*
    return 0
}

mkdir -p "$logs"
started=$SECONDS
echo "== configuring $build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVESTREL_TESTS=ON >"$logs/configure.log" 2>&1 ||
    { cat "$logs/configure.log" >&2; exit 2; }
echo "== building the unmutated tree"
build_tree "$logs/baseline.build.log" || { tail -40 "$logs/baseline.build.log" >&2; exit 2; }
if [[ $runner == gtest ]]; then
    mapfile -t programs < <(ctest --test-dir "$build" --show-only=json-v1 | py programs)
    [[ ${#programs[@]} -gt 0 ]] || { echo "mutants.sh: ctest lists no tests" >&2; exit 2; }
fi
if [[ ${MUTANTS_SKIP_BASELINE:-0} != 1 ]]; then
    echo "== testing the unmutated tree"
    run_tests "$logs/baseline.test.log" || {
        echo "mutants.sh: the unmutated tree fails its tests (see $logs/baseline.test.log)" >&2
        exit 2
    }
fi
echo "== ${#ids[@]} mutants from $list ($runner runner, $jobs jobs)"

killed=0 survived=0 invalid=0
survivors=()
: >"$results"
for id in "${ids[@]}"; do
    mutant_started=$SECONDS
    file=$(py file "$list" "$id")
    outcome=""
    if [[ -f $file ]]; then
        cp "$file" "$scratch/original"
        applied=$file
        status=0
        py apply "$list" "$id" || status=$?
        if [[ $status -eq 3 ]]; then
            applied=""  # nothing was written
            outcome=invalid
        elif [[ $status -ne 0 ]]; then
            exit 2
        fi
    else
        outcome=invalid
    fi
    if [[ -z $outcome ]]; then
        if ! build_tree "$logs/$id.build.log"; then
            outcome="killed (build)"
        else
            status=0
            run_tests "$logs/$id.test.log" || status=$?
            case $status in
                0) outcome=survived ;;
                124) outcome="killed (timeout)" ;;
                *) outcome=killed ;;
            esac
        fi
        restore
    fi
    case $outcome in
        invalid) invalid=$((invalid + 1)) ;;
        survived) survived=$((survived + 1)); survivors+=("$id") ;;
        *) killed=$((killed + 1)) ;;
    esac
    echo "$id $outcome" >>"$results"
    printf '%s %s  (%ds)\n' "$id" "$outcome" $((SECONDS - mutant_started))
done

# Leave the build folder matching the restored source.
build_tree "$logs/final.build.log" || true

echo
echo "mutants: ${#ids[@]}, killed: $killed, survived: $survived, invalid: $invalid"
if [[ ${#survivors[@]} -gt 0 ]]; then
    echo "survivors: ${survivors[*]}"
fi
echo "results in $results; took $((SECONDS - started))s"
