#!/usr/bin/env bash
# The window's figures on 10,000 files of 10 KB and 1,000 definitions:
#   - the window up (first paint, and first paint with the 10,000 files and 1,000 definitions loaded)
#   - 10,000 files dropped onto the list until they are listed and painted
#   - a preview from the window: until it returns and its window is painted, the longest pause
#   - a run from the window against `swapwright-cli run` of the same definition file (whole
#     processes with hyperfine, each on a fresh copy of the files; backups off)
#
#   bench/main-window-bench.sh [BUILD_DIR]        RUNS (default 5), WORK (default BUILD_DIR/bench-data/main-window),
#                                         QT_QPA_PLATFORM (default offscreen)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../build}" && pwd)"
bench="$build/bench/swapwright_bench_main_window"
cli="$build/src/cli/swapwright-cli"
runs="${RUNS:-5}"
work="${WORK:-$build/bench-data/main-window}"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
for tool in hyperfine python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool (tools/install-deps --bench installs it)" >&2; exit 2; }
done
[ -x "$bench" ] && [ -x "$cli" ] || { echo "build swapwright_bench_main_window and swapwright-cli first" >&2; exit 2; }

mkdir -p "$work"
cd "$work"
[ -d many.orig ] || python3 "$here/gen_corpus.py" corpus --bytes 100000000 --files 10000 --seed 1 --out many.orig
[ -f big.orig ] || python3 "$here/gen_corpus.py" corpus --bytes 100000000 --seed 1 --out big.orig
[ -f defs-1000.tsv ] || python3 "$here/gen_corpus.py" defs --corpus big.orig --count 1000 --every 10000 --seed 1 --out defs-1000.tsv

# The definition file: every file of the folder checked, 1,000 used definitions, backups off.
python3 - defs-1000.tsv "$work/many" many.orig > many.swd <<'PY'
import os, sys
prefix = "HKEY_CURRENT_USER\\Software\\Wq - Software\\Wq - Swapwright\\"
defs = [l.split("\t") for l in open(sys.argv[1], encoding="latin-1").read().splitlines()]
out = sys.stdout
out.write("[%sGeneral Settings]\nCreate Backup Files=False\nFind Replace Grid Row Count=%d\n" % (prefix, len(defs)))
out.write("[%sMain Window]\nOperation Error Action=0\n" % prefix)
out.write("[%sFile List\\Contents]\n" % prefix)
for i, n in enumerate(sorted(os.listdir(sys.argv[3]))):
    out.write("File %d=%s, True, None\n" % (i, os.path.join(sys.argv[2], n)))
out.write("[%sFind Replace Grid\\Cell Contents]\n" % prefix)
for r, d in enumerate(defs):
    out.write("Grid Cell (0, %d)=Yes\nGrid Cell (1, %d)=%s\nGrid Cell (2, %d)=%s\nGrid Cell (3, %d)=Yes\n" % (r, r, d[0], r, d[1], r))
PY
rm -rf many && cp -r many.orig many

echo "== window up with 10,000 files and 1,000 definitions ($QT_QPA_PLATFORM)"
for i in $(seq "$runs"); do "$bench" startup many.swd; done | sort | awk -F'\t' '
  { v[$1] = v[$1] " " $2 } END { for (k in v) print k ":" v[k] }'
echo "== 10,000 files dropped onto the list"
for i in $(seq "$runs"); do "$bench" drop "$work/many"; done | awk -F'\t' '$1 ~ /ms/ { print $1 ": " $2 }'
echo "== a run over 10,000 files: the window against the command line (whole processes)"
hyperfine --runs "$runs" --prepare "rm -rf '$work/many' && cp -r '$work/many.orig' '$work/many'" \
  --export-markdown "$work/gui-run.md" \
  -n window "$bench run many.swd" \
  -n cli "$cli run many.swd > /dev/null"
echo "== a preview of the 10,000 files from the window (trigger to return, to its window painted)"
for i in $(seq "$runs"); do "$bench" preview many.swd | tr '\n' ' '; echo; done
echo "== the window's own run times (trigger to return)"
for i in $(seq "$runs"); do rm -rf many && cp -r many.orig many; "$bench" run many.swd | grep run_ms; done
