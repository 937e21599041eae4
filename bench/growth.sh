#!/usr/bin/env bash
# The growth figure: the module benchmarks on a small and on a ten times larger store, in one
# run, and for each first screen and header click the ratio of the two. A list whose cost does
# not grow with the store stays within 1.5 times.
#
#   bench/growth.sh SMALL LARGE     SQLite files or PostgreSQL URIs (tessaly-gen --agents 10000
#                                   and --agents 100000)
#   BENCH_BIN   folder with the tessaly-bench-* programs (default build/bench)
#   RUNS        runs of each command, the median counts (default 3)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="${BENCH_BIN:-$root/build/bench}"
small="${1:?small store}"
large="${2:?large store}"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
echo "growth: load average $(cut -d' ' -f1-3 /proc/loadavg) at the start"
for prog in records contacts modules; do
  for size in small large; do
    store="$small"
    [ $size = large ] && store="$large"
    QT_QPA_PLATFORM=offscreen "$bin/tessaly-bench-$prog" "$store" --runs "${RUNS:-3}" \
      >"$out/$prog.$size" 2>/dev/null || echo "tessaly-bench-$prog failed on $store"
  done
done
echo "growth: load average $(cut -d' ' -f1-3 /proc/loadavg) at the end"
python3 - "$out" <<'PY'
import pathlib, re, sys
folder = pathlib.Path(sys.argv[1])
line = re.compile(r'^(.*?)\s+([\d.]+) ms\s+[\d.]+ ms\s+(?:met|MISSED)')
def figures(path):
    found = {}
    if path.exists():
        for text in path.read_text().splitlines():
            m = line.match(text)
            if m and ('first screen' in m.group(1)):
                found[m.group(1).strip()] = float(m.group(2))
    return found
print(f"{'figure':<78}{'small':>10}{'large':>10}{'ratio':>7}  target 1.5")
missed = 0
for prog in ('records', 'contacts', 'modules'):
    small, large = figures(folder / f'{prog}.small'), figures(folder / f'{prog}.large')
    for name, a in small.items():
        if name not in large:
            continue
        b = large[name]
        ratio = b / a if a > 0 else float('inf')
        ok = ratio <= 1.5
        missed += not ok
        print(f"{name:<78}{a:>8.1f}ms{b:>8.1f}ms{ratio:>7.2f}  {'met' if ok else 'MISSED'}")
print(f"growth: {missed} figure(s) missed")
PY
