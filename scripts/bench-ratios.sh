#!/usr/bin/env bash
# Runs bench_<topic> and bench_<topic>_peer (if built) once each and prints, for every case
# both sides ran, the framework's time over each peer's (below 1 means Qel is faster).
# Usage: scripts/bench-ratios.sh <topic> [benchmark options, e.g. --benchmark_filter=Find]
# Names are "<case>/<implementation>[/<args>]"; implementations starting with "Qel" are the
# framework's. BUILD selects the build folder (default build).
set -euo pipefail
topic=${1:?usage: $0 <topic> [benchmark options]}
shift
dir=${BUILD:-build}/bench
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
files=()
for p in "$dir/bench_$topic" "$dir/bench_${topic}_peer"; do
  [ -x "$p" ] || continue
  out="$tmp/$(basename "$p").json"
  "$p" --benchmark_format=json --benchmark_out="$out" --benchmark_out_format=json "$@" >/dev/null 2>&1 || true
  files+=("$out")
done
[ ${#files[@]} -gt 0 ] || { echo "no benchmark program for $topic in $dir" >&2; exit 1; }
python3 - "${files[@]}" <<'PY'
import json, sys
rows = {}
for f in sys.argv[1:]:
    try:
        runs = json.load(open(f))["benchmarks"]
    except ValueError: # nothing matched the filter in that program
        continue
    medians = any(r.get("aggregate_name") == "median" for r in runs)
    for r in runs:
        if medians != (r.get("aggregate_name") == "median"):
            continue
        name = r.get("run_name", r["name"]).split("/")
        if len(name) < 2:
            continue
        key = "/".join([name[0]] + name[2:])
        rows.setdefault(key, {})[name[1]] = r["real_time"] * {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[r["time_unit"]]
print(f"{'case':40} {'Qel':14} {'peer':22} {'Qel ns':>12} {'peer ns':>12} {'ratio':>7}")
for key, impl in rows.items():
    ours = [k for k in impl if k.startswith("Qel")]
    theirs = [k for k in impl if not k.startswith("Qel")]
    for q in ours:
        for p in theirs:
            print(f"{key:40} {q:14} {p:22} {impl[q]:12.1f} {impl[p]:12.1f} {impl[q] / impl[p]:7.2f}")
PY
