#!/usr/bin/env bash
# Runs the benchmarks: makes the SQLite benchmark store once (kept between runs), runs
# tessaly-bench on it, then, when TESSALY_TEST_PG names a server (tools/with-pg.sh sets it),
# makes a fresh database there, fills it, runs tessaly-bench on it and drops it.
#
#   BENCH_BIN   folder with tessaly-gen and tessaly-bench   (default build/bench)
#   BENCH_DATA  folder for the SQLite store                  (default build/bench-data)
#   AGENTS      agents in the SQLite store                   (default 100000)
#   PG_AGENTS   agents in the PostgreSQL database            (default: AGENTS)
#   BENCH_ARGS  more arguments for tessaly-bench, e.g. "--runs 9 --scroll"
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="${BENCH_BIN:-$root/build/bench}"
data="${BENCH_DATA:-$root/build/bench-data}"
agents="${AGENTS:-100000}"
pg_agents="${PG_AGENTS:-$agents}"
read -r -a bench_args <<<"${BENCH_ARGS:-}"

# The default book has the program's own store name; other sizes get a folder each, so a
# quick run never throws away the large store.
if [ "$agents" = 100000 ]; then
  store="$data/KTA30.wdb"
else
  store="$data/agents-$agents/KTA30.wdb"
fi
# Every program that measures through the real main window: the agents module, printing, and
# one tessaly-bench-<module> per module.
modules() {
  local prog
  for prog in "$bin"/tessaly-bench-*; do
    [ -x "$prog" ] || continue
    QT_QPA_PLATFORM=offscreen "$prog" "$1"
  done
}

if [ ! -f "$store" ]; then
  mkdir -p "$(dirname "$store")"
  "$bin/tessaly-gen" "$store" --agents "$agents"
fi
echo
echo "== SQLite"
"$bin/tessaly-bench" "$store" "${bench_args[@]}"
modules "$store"

if [ -z "${TESSALY_TEST_PG:-}" ]; then
  echo
  echo "== PostgreSQL: skipped (TESSALY_TEST_PG is not set; make bench sets it)"
  exit 0
fi
db="tessaly_bench_$$"
server="${TESSALY_TEST_PG%/*}"
psql="${TESSALY_PG_BINDIR:+$TESSALY_PG_BINDIR/}psql"
"$psql" "$TESSALY_TEST_PG" -qX -c "CREATE DATABASE $db"
trap '"$psql" "$TESSALY_TEST_PG" -qX -c "DROP DATABASE IF EXISTS $db WITH (FORCE)"' EXIT
echo
echo "== PostgreSQL"
"$bin/tessaly-gen" "$server/$db" --agents "$pg_agents"
"$bin/tessaly-bench" "$server/$db" "${bench_args[@]}"
modules "$server/$db"
