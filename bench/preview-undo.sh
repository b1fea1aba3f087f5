#!/usr/bin/env bash
# What a preview and the undo data cost, as whole processes with hyperfine, on the set of 10,000
# files of 10 KB that bench/compare-run.sh makes (10 definitions, about one match per 10 KB):
#   - `run --preview` against `run --dry-run` (both write no file; the diff goes to /dev/null);
#   - `run` keeping undo data (the default) against `run` with "Undo History" 0, backups off,
#     the undo folder on the same file system as the files. Each keeps its own state folder, so
#     the run with undo data works in the steady state (five runs kept, the oldest removed each
#     time) and the one without has nothing to remove.
#
#   bench/preview-undo.sh [BUILD_DIR]      (default: build)
#
# Environment: RUNS (hyperfine runs, default 10), WORK (data folder, default
# BUILD_DIR/bench-data/run, shared with compare-run.sh), SYNC (set to "--no-sync" to leave out
# the flush before each rename in the undo comparison). WORK on a tmpfs shows the cost without the
# disk's own noise: mount -t tmpfs -o size=1200m tmpfs /mnt/x && WORK=/mnt/x bench/preview-undo.sh
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../build}" && pwd)"
cli="$build/src/cli/swapwright-cli"
runs="${RUNS:-10}"
work="${WORK:-$build/bench-data/run}"
sync="${SYNC:-}"

for tool in hyperfine python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool (tools/install-deps --bench installs it)" >&2; exit 2; }
done
[ -x "$cli" ] || { echo "no $cli: build first (make build)" >&2; exit 2; }

mkdir -p "$work"
cd "$work"
[ -d many.orig ] || python3 "$here/gen_corpus.py" corpus --bytes 100000000 --files 10000 --seed 1 --out many.orig
[ -f big.orig ] || python3 "$here/gen_corpus.py" corpus --bytes 100000000 --seed 1 --out big.orig
[ -f defs-10.tsv ] || python3 "$here/gen_corpus.py" defs --corpus big.orig --count 10 --every 10000 --seed 1 --out defs-10.tsv

# make_swd HISTORY: a definition file over many/ with backups off and the given undo history.
make_swd() {
  python3 - defs-10.tsv "$work/many" "$work/many.orig" "$1" <<'PY'
import os, sys
prefix = "HKEY_CURRENT_USER\\Software\\Wq - Software\\Wq - Swapwright\\"
defs = [l.split("\t") for l in open(sys.argv[1], encoding="latin-1").read().splitlines()]
out = sys.stdout
out.write("[%sGeneral Settings]\nCreate Backup Files=False\nUndo History=%s\n" % (prefix, sys.argv[4]))
out.write("[%sMain Window]\nOperation Error Action=0\n" % prefix)
out.write("[%sFile List\\Contents]\n" % prefix)
for i, n in enumerate(sorted(os.listdir(sys.argv[3]))):
    out.write("File %d=%s, True, None\n" % (i, os.path.join(sys.argv[2], n)))
out.write("[%sFind Replace Grid\\Cell Contents]\n" % prefix)
for r, d in enumerate(defs):
    out.write("Grid Cell (0, %d)=Yes\nGrid Cell (1, %d)=%s\nGrid Cell (2, %d)=%s\nGrid Cell (3, %d)=Yes\n" % (r, r, d[0], r, d[1], r))
PY
}
make_swd 5 > undo-on.swd
make_swd 0 > undo-off.swd
rm -rf many state state-on state-off && cp -a many.orig many
export XDG_STATE_HOME="$work/state"

echo "== preview against dry run" >&2
hyperfine -w 2 -r "$runs" -N \
  -n "run --dry-run" "$cli run --dry-run undo-on.swd" \
  -n "run --preview" "$cli run --preview undo-on.swd" \
  --output=null --export-json preview.json >&2

echo "== run with and without undo data" >&2
restore="rm -rf many && cp -a many.orig many"
hyperfine -w 6 -r "$runs" --prepare "$restore" \
  -n "run, Undo History 0" "XDG_STATE_HOME=$work/state-off $cli run $sync undo-off.swd > /dev/null" \
  -n "run, Undo History 5" "XDG_STATE_HOME=$work/state-on $cli run $sync undo-on.swd > /dev/null" \
  --export-json undo.json >&2

python3 - preview.json undo.json <<'PY'
import json, sys
print("| comparison | command | mean (ms) | stddev (ms) | ratio |")
print("|---|---|---:|---:|---:|")
for name, f in (("preview", sys.argv[1]), ("undo data", sys.argv[2])):
    rs = json.load(open(f))["results"]
    base = rs[0]["mean"]
    for r in rs:
        print("| %s | %s | %.0f | %.0f | %.3f |" % (name, r["command"], r["mean"] * 1000, r["stddev"] * 1000, r["mean"] / base))
PY
