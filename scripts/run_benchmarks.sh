#!/usr/bin/env bash
# Builds a Release tree, runs the plug-in's benchmarks and prints one table
# of ratios, each path against its floor measured in the same run.
#
#   scripts/run_benchmarks.sh [build-dir]        (default: build-bench)
#
# Environment: REPETITIONS (Google Benchmark repetitions, default 7; the
# table uses the medians of CPU time), MIN_TIME (seconds per repetition,
# default 0.2), CALLGRIND_ITERATIONS (per callgrind phase, default 2000),
# JOBS (build parallelism, default 2), SKIP_BUILD=1 (use the tree as is).
# Raw results are kept in <build-dir>/bench-results/. bench/README.md
# explains the rows.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build-bench}
repetitions=${REPETITIONS:-7}
min_time=${MIN_TIME:-0.2}
iterations=${CALLGRIND_ITERATIONS:-2000}
jobs=${JOBS:-2}
results=$dir/bench-results

if [[ "${SKIP_BUILD:-0}" != 1 ]]; then
  mkdir -p "$dir"
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTRO_BUILD_TESTS=OFF \
    -DVANTRO_BUILD_TOOLS=OFF > "$dir/configure.log" 2>&1 || { cat "$dir/configure.log"; exit 1; }
  targets=(dispatch_benchmark options_benchmark voting_benchmark)
  # The callgrind driver exists when valgrind's headers were found.
  if command -v valgrind > /dev/null && grep -q "invoke_instructions:" "$dir/build.ninja"; then
    targets+=(invoke_instructions)
  fi
  echo "== building $dir" >&2
  cmake --build "$dir" -j "$jobs" --target "${targets[@]}" > "$dir/build.log" 2>&1 ||
    { tail -50 "$dir/build.log"; exit 1; }
fi

rm -rf "$results"
mkdir -p "$results/callgrind"
# Repetitions of all benchmarks of a binary are interleaved at random, so a
# burst of load from other users falls on ours and on the floors alike.
gbench_flags=(--benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true
  --benchmark_enable_random_interleaving=true --benchmark_min_time="$min_time"
  --benchmark_out_format=json)
for name in dispatch options voting; do
  echo "== ${name}_benchmark" >&2
  "$dir/bench/${name}_benchmark" "${gbench_flags[@]}" \
    --benchmark_out="$results/$name.json" > "$results/$name.txt" 2>&1 ||
    { cat "$results/$name.txt"; exit 1; }
done

echo "== invoke_instructions under callgrind" >&2
if command -v valgrind > /dev/null && [[ -x "$dir/bench/invoke_instructions" ]]; then
  valgrind --tool=callgrind --separate-threads=yes \
    --callgrind-out-file="$results/callgrind/callgrind.out.%p" \
    "$dir/bench/invoke_instructions" "$iterations" > "$results/callgrind.txt" 2>&1 ||
    { cat "$results/callgrind.txt"; exit 1; }
else
  echo "valgrind or its headers not found: no instruction counts" >&2
fi

python3 - "$results" "$iterations" "$repetitions" <<'EOF'
import glob, json, os, re, sys

results, iterations, repetitions = sys.argv[1], int(sys.argv[2]), sys.argv[3]

def medians(name):
    with open(os.path.join(results, name + ".json")) as f:
        data = json.load(f)
    out = {}
    for b in data["benchmarks"]:
        if b.get("error_occurred"):
            continue
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        # Benchmarks timed on the wall clock carry a "/real_time" suffix.
        out[re.sub(r"/real_time$", "", b["run_name"])] = b
    return data["context"], out

context, dispatch = medians("dispatch")
_, options = medians("options")
_, voting = medians("voting")

def ns(table, name):
    b = table.get(name)
    if b is None:
        return None
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[b.get("time_unit", "ns")]
    return b["cpu_time"] * scale

# Instructions per call of each callgrind phase (the calling thread only;
# the driver prints how often each phase ran).
runs = {}
try:
    with open(os.path.join(results, "callgrind.txt")) as f:
        for m in re.finditer(r"^phase (\S+) iterations (\d+)$", f.read(), re.M):
            runs[m.group(1)] = int(m.group(2))
except OSError:
    pass
instructions = {}
for path in glob.glob(os.path.join(results, "callgrind", "callgrind.out.*.*-01")):
    with open(path) as f:
        text = f.read()
    phase = re.search(r"^desc: Trigger: Client Request: (\S+)$", text, re.M)
    total = re.search(r"^summary: (\d+)$", text, re.M)
    if phase and total:
        name = phase.group(1)
        instructions[name] = int(total.group(1)) / runs.get(name, iterations)

rows = []
def verdict(ok):
    return "" if ok is None else ("met" if ok else "MISSED")

def time_row(label, ours_table, ours, floor_table, floor, target=None, limit=None):
    a, b = ns(ours_table, ours), ns(floor_table, floor)
    if a is None or b is None:
        rows.append((label, "n/a", "n/a", "", "", target or "", ""))
        return
    ratio = a / b
    ok = None if limit is None else ratio <= limit
    rows.append((label, "%.1f ns" % a, "%.1f ns" % b, "%+.1f ns" % (a - b), "%.2fx" % ratio,
                 target or "", verdict(ok)))

def allocation_row(label, name, counter="allocs"):
    b = dispatch.get(name)
    if b is None or counter not in b:
        rows.append((label, "n/a", "", "", "", "0", ""))
        return
    value = b[counter]
    rows.append((label, "%.3g" % value, "0", "", "", "0", verdict(value == 0)))

def allocation_compare_row(label, ours, floor):
    a, b = dispatch.get(ours, {}).get("allocs"), dispatch.get(floor, {}).get("allocs")
    if a is None or b is None:
        rows.append((label, "n/a", "n/a", "", "", "", ""))
        return
    rows.append((label, "%.0f" % a, "%.0f" % b, "%+.0f" % (a - b), "", "", ""))

def instruction_row(label, ours, floor, limit=None):
    a, b = instructions.get(ours), instructions.get(floor)
    if a is None or b is None:
        rows.append((label, "n/a", "n/a", "", "", "", ""))
        return
    ok = None if limit is None else (a - b) <= limit
    rows.append((label, "%.0f" % a, "%.0f" % b, "%+.0f" % (a - b), "%.2fx" % (a / b),
                 "<= +%d" % limit if limit is not None else "", verdict(ok)))

def paired_row(label, name, target=None, limit=None):
    b = dispatch.get(name)
    if b is None or "ours_ns" not in b:
        rows.append((label, "n/a", "n/a", "", "", target or "", ""))
        return
    a, f, ratio = b["ours_ns"], b["floor_ns"], b["ratio"]
    ok = None if limit is None else ratio <= limit
    rows.append((label, "%.1f ns" % a, "%.1f ns" % f, "%+.1f ns" % (a - f), "%.2fx" % ratio,
                 target or "", verdict(ok)))

paired_row("invoke, 1 in/out", "BM_InvokePaired/1")
paired_row("invoke, 16 in/out", "BM_InvokePaired/16", "<= 1.25x", 1.25)
paired_row("invoke, 1 in/out, auto voting", "BM_InvokePairedAutoVoting/1")
paired_row("invoke, 16 in/out, auto voting", "BM_InvokePairedAutoVoting/16")
allocation_row("allocations per invoke, 1", "BM_Invoke/1")
allocation_row("allocations per invoke, 16", "BM_Invoke/16")
allocation_row("allocations per invoke, 16, voting", "BM_InvokeAutoVoting/16")
instruction_row("instructions: invoke, 1", "invoke_1", "floor_1")
instruction_row("instructions: invoke, 16", "invoke_16", "floor_16", 300)
instruction_row("instructions: invoke, 16, voting", "invoke_16_voting", "floor_16_voting")
time_row("attach_input vs field writes", dispatch, "BM_AttachInput", dispatch, "BM_AttachFloor")
time_row("attach_input vs host queries", dispatch, "BM_AttachInput", dispatch,
         "BM_AttachHostQueries")
time_row("detach_input vs field writes", dispatch, "BM_DetachInput", dispatch, "BM_AttachFloor")
instruction_row("instructions: attach vs host queries", "attach", "attach_floor")
instruction_row("instructions: detach vs field writes", "detach", "detach_floor")
time_row("context: cache hit vs miss", dispatch, "BM_CreateContextHit", dispatch,
         "BM_CreateContextMiss")
time_row("context: miss vs QNN calls", dispatch, "BM_CreateContextMiss", dispatch,
         "BM_CreateContextMissFloor")
time_row("context: hit vs QNN calls", dispatch, "BM_CreateContextHit", dispatch,
         "BM_CreateContextHitFloor")
instruction_row("instructions: context miss vs QNN calls", "create_miss", "create_miss_floor")
instruction_row("instructions: context hit vs QNN calls", "create_hit", "create_hit_floor")
allocation_compare_row("allocations: context miss vs QNN calls", "BM_CreateContextMiss",
                       "BM_CreateContextMissFloor")
allocation_compare_row("allocations: context hit vs QNN calls", "BM_CreateContextHit",
                       "BM_CreateContextHitFloor")
time_row("options: toml++ vs ours (45 keys)", options, "BM_TomlPlusPlusParse", options,
         "BM_CreateQualcommOptions", ">= 10x")
if rows[-1][4]:
    ratio = float(rows[-1][4][:-1])
    rows[-1] = rows[-1][:6] + (verdict(ratio >= 10),)
time_row("voting: Burst up+down vs bare queue", voting, "BM_BackendScheduleUpDown_Burst",
         voting, "BM_BareQueueUpDown_Delayed", "<= 1.5x", 1.5)
time_row("voting: HighPerf up+down vs bare queue", voting,
         "BM_BackendScheduleUpDown_HighPerformance", voting, "BM_BareQueueUpDown",
         "<= 1.5x", 1.5)

# Figures the voting benchmark counts itself (medians over the repetitions);
# the floor column holds what a queue that dropped nothing would give.
def counter_row(label, table, name, counter, floor="", target="", check=None):
    b = table.get(name)
    if b is None or counter not in b:
        rows.append((label, "n/a", floor, "", "", target, ""))
        return
    value = b[counter]
    rows.append((label, "%.3g" % value, floor, "", "", target,
                 verdict(None if check is None else check(value))))

counter_row("voting: votes applied per invoke, Burst", voting,
            "BM_BackendScheduleUpDown_Burst", "votes_per_invoke", "1")
counter_row("voting: votes applied per invoke, HighPerf", voting,
            "BM_BackendScheduleUpDown_HighPerformance", "votes_per_invoke", "2")
counter_row("voting: peak queue length, Burst", voting, "BM_BackendScheduleUpDown_Burst",
            "peak_queue", "", "<= 2", lambda v: v <= 2)
counter_row("voting: peak queue length, HighPerf", voting,
            "BM_BackendScheduleUpDown_HighPerformance", "peak_queue")

header = ("path", "ours", "floor", "difference", "ratio", "target", "")
widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(len(header))]
def line(r):
    return "| " + " | ".join(str(c).ljust(w) for c, w in zip(r, widths)) + " |"
cpu = ""
try:
    with open("/proc/cpuinfo") as f:
        cpu = re.search(r"^model name\s*:\s*(.*)$", f.read(), re.M).group(1)
except (OSError, AttributeError):
    pass
print("machine: %s, %s CPUs at %s MHz, load %s; median CPU time of %s repetitions"
      % (cpu or context.get("host_name", "?"), context.get("num_cpus"),
         context.get("mhz_per_cpu"),
         " ".join("%.1f" % x for x in context.get("load_avg", [])), repetitions))
print(line(header))
print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
for r in rows:
    print(line(r))
EOF
