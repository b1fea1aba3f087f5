#!/usr/bin/env bash
# Compares `swapwright-cli run` (backups off) with `sed -i` and `perl -pi` doing the same
# replacements in place, as whole processes with hyperfine, on two generated sets: 10,000 files
# of 10 KB and one file of 100 MB. It also times the run with --no-sync, to show what the flush
# before each rename costs. Before timing, the trees each tool
# leaves are compared with ours.
#
#   bench/compare-run.sh [BUILD_DIR]      (default: build)
#
# Environment: RUNS (hyperfine runs, default 5), COUNT (definitions, default 10), WORK (data
# folder, default BUILD_DIR/bench-data/run), INSTALL=1 to install the tools first.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/.."
build="$(cd "${1:-$root/build}" && pwd)"
cli="$build/src/cli/swapwright-cli"
runs="${RUNS:-5}"
count="${COUNT:-10}"
work="${WORK:-$build/bench-data/run}"

[ "${INSTALL:-0}" = 1 ] && "$root/tools/install-deps" --bench
for tool in hyperfine perl sed python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (tools/install-deps --bench installs it)" >&2; exit 2; }
done
[ -x "$cli" ] || { echo "no $cli: build first (make build)" >&2; exit 2; }

mkdir -p "$work"
cd "$work"
[ -d many.orig ] || python3 "$here/gen_corpus.py" corpus --bytes 100000000 --files 10000 --seed 1 --out many.orig
[ -f big.orig ] || python3 "$here/gen_corpus.py" corpus --bytes 100000000 --seed 1 --out big.orig
defs="defs-$count.tsv"
[ -f "$defs" ] || python3 "$here/gen_corpus.py" defs --corpus big.orig --count "$count" --every 10000 --seed 1 --out "$defs"

# All definitions as case-sensitive literals without whole-word tests: there sed, perl and we
# mean the same (the generator keeps find texts out of each other and out of replacements).
python3 - "$defs" > script.sed <<'PY'
import re, sys
for line in open(sys.argv[1], encoding="latin-1").read().splitlines():
    find, repl = line.split("\t")[:2]
    esc = lambda s: re.sub(r"([][\\/.*^$&])", r"\\\1", s)
    print("s/%s/%s/g" % (esc(find), esc(repl)))
PY
cat > inplace.pl <<'PL'
BEGIN {
    open my $f, "<", shift @ARGV or die;
    while (<$f>) { chomp; my @d = split /\t/; $h{$d[0]} = $d[1]; }
    my $alt = join "|", map { quotemeta } sort { length $b <=> length $a } keys %h;
    $re = qr/($alt)/;
}
s/$re/$h{$1}/g;
PL

# A definition file for the set $1 (a folder or a file) made from $2: backups off, continue on errors.
make_swd() {
  python3 - "$defs" "$work/$1" "$work/$2" > "$1.swd" <<'PY'
import os, sys
prefix = "HKEY_CURRENT_USER\\Software\\Wq - Software\\Wq - Swapwright\\"
defs = [l.split("\t") for l in open(sys.argv[1], encoding="latin-1").read().splitlines()]
folder = sys.argv[2]
out = sys.stdout
out.write("[%sGeneral Settings]\nCreate Backup Files=False\nFind Replace Grid Row Count=%d\n" % (prefix, max(100, len(defs))))
out.write("[%sMain Window]\nOperation Error Action=0\n" % prefix)
out.write("[%sFile List\\Contents]\n" % prefix)
names = sorted(os.listdir(sys.argv[3])) if os.path.isdir(sys.argv[3]) else [""]
for i, n in enumerate(names):
    out.write("File %d=%s, True, None\n" % (i, os.path.join(folder, n) if n else folder))
out.write("[%sFind Replace Grid\\Cell Contents]\n" % prefix)
for r, d in enumerate(defs):
    out.write("Grid Cell (0, %d)=Yes\nGrid Cell (1, %d)=%s\nGrid Cell (2, %d)=%s\nGrid Cell (3, %d)=Yes\n" % (r, r, d[0], r, d[1], r))
PY
}

results="$work/compare-run-results.tsv"
: > "$results"

# run_set NAME TARGET ORIG: TARGET is what the commands change (a folder or a file).
run_set() {
  local name="$1" target="$2" orig="$3"
  make_swd "$target" "$orig"
  local files="$target"
  [ -d "$orig" ] && files="$target/*"
  local restore="rm -rf $target && cp -a $orig $target"
  local -a names=(swapwright "swapwright --no-sync" "sed -i" "perl -pi")
  local -a commands=("$cli run $target.swd > /dev/null"
                     "$cli run --no-sync $target.swd > /dev/null"
                     "sed -i -f script.sed $files"
                     "perl -pi inplace.pl $defs $files")
  echo "== $name" >&2
  local i peak same
  for i in "${!names[@]}"; do
    bash -c "$restore"
    /usr/bin/time -f '%M' -o peak.txt bash -c "${commands[$i]}"; peak="$(tail -1 peak.txt)"
    if [ "$i" = 0 ]; then rm -rf ours && cp -a "$target" ours; same="-";
    elif diff -r -q ours "$target" >/dev/null; then same="yes"; else same="NO"; fi
    printf '%s\t%s\t%s\t%s\n' "$name" "${names[$i]}" "$same" "$peak" >> "$results.meta"
  done
  local -a args=()
  for i in "${!names[@]}"; do args+=(-n "${names[$i]}" "${commands[$i]}"); done
  hyperfine -w 1 -r "$runs" --prepare "$restore" --export-json set.json "${args[@]}" >&2
  python3 - "$name" set.json >> "$results" <<'PY'
import json, sys
for r in json.load(open(sys.argv[2]))["results"]:
    print("%s\t%s\t%.0f\t%.0f\t%.0f\t%.0f" % (sys.argv[1], r["command"], r["mean"] * 1000, r["stddev"] * 1000,
                                            r["user"] * 1000, r["system"] * 1000))
PY
  rm -rf ours
}

: > "$results.meta"
run_set "10,000 files of 10 KB" many many.orig
run_set "one file of 100 MB" big big.orig

python3 - "$results" "$results.meta" <<'PY'
import sys
rows = [l.rstrip("\n").split("\t") for l in open(sys.argv[1])]
meta = {(m[0], m[1]): m[2:] for m in (l.rstrip("\n").split("\t") for l in open(sys.argv[2]))}
print("| set | tool | time (ms) | user / sys (ms) | time / sed -i | peak RSS (MB) | result = ours |")
print("|---|---|---:|---:|---:|---:|---|")
for s in dict.fromkeys(r[0] for r in rows):
    sed = next(float(r[2]) for r in rows if r[0] == s and r[1] == "sed -i")
    for r in (r for r in rows if r[0] == s):
        same, peak = meta[(s, r[1])]
        print("| %s | %s | %s ± %s | %s / %s | %.2f | %.0f | %s |" % (s, r[1], r[2], r[3], r[4], r[5], float(r[2]) / sed,
                                                                 int(peak) / 1024, same))
PY
