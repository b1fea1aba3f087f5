#!/usr/bin/env bash
# The windows of a run, timed (swapwright_bench_gui on the offscreen platform):
#   1. 100,000 report lines into the report window, all at once and in 1,000 batches of 100 with a
#      turn of the event loop between them (as a run's yields bring them);
#   2. a run over one generated file of 100 MB through the progress and report windows against the
#      same RunOperation with a progress state that draws nothing and no yield, for rare and dense
#      matches;
#   3. what the windows themselves do in such a run (made, shown, 100 steps, 20 yields, the report's
#      lines, destroyed) without the run.
#
#   bench/gui-bench.sh [BUILD_DIR]      (default: build)
#
# Environment: RUNS (repetitions, default 7), WORK (data folder, default BUILD_DIR/bench-data/gui;
# a tmpfs such as /dev/shm/... keeps the disk's write-back out of the figures).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../build}" && pwd)"
bench="$build/bench/swapwright_bench_gui"
runs="${RUNS:-7}"
work="${WORK:-$build/bench-data/gui}"
[ -x "$bench" ] || { echo "no $bench: build first (make build)" >&2; exit 2; }
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/xdg"

mkdir -p "$work"
cd "$work"
[ -f big.orig ] || python3 "$here/gen_corpus.py" corpus --bytes 100000000 --seed 1 --out big.orig
[ -f defs-rare.tsv ] || python3 "$here/gen_corpus.py" defs --corpus big.orig --count 10 --every 10000 --seed 1 --out defs-rare.tsv
[ -f defs-dense.tsv ] || python3 "$here/gen_corpus.py" defs --corpus big.orig --count 10 --every 100 --seed 1 --out defs-dense.tsv

"$bench" report 100000 100000 "$runs"
"$bench" report 100000 100 "$runs"
"$bench" windows-cost 50 20
for defs in defs-rare.tsv defs-dense.tsv; do
  echo "== $defs"
  "$bench" run big.orig "$defs" "$runs"
done
