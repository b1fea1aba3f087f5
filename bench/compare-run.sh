#!/usr/bin/env bash
# Compares `swapwright-cli run` (backups off) with the floor of a run in place (bench/floor_run.c:
# read each file, write it beside itself, rename it over the original), with `sed -i` and with
# `perl -pi` doing the same replacements in place, as whole processes with hyperfine, on two
# generated sets: 10,000 files of 10 KB and one file of 100 MB. The run is timed durable (the
# default: new contents on the disk before their renames) and with --no-sync; the floor without
# any flush and with one syncfs() per 64 files. The run keeps no undo data ("Undo History" 0, as
# the backups are off: both are extra copies), and once more durable with the default history of
# five runs, its undo folder on the same file system as the files, in the steady state (the
# oldest run removed each time). Everything runs on two file systems: the disk that holds WORK,
# and a tmpfs (mounted for the purpose when allowed, else /dev/shm). Before timing, the trees each
# tool leaves are compared with ours.
#
#   bench/compare-run.sh [BUILD_DIR]      (default: build)
#
# Environment: RUNS (hyperfine runs, default 5), COUNT (definitions, default 10), WORK (data
# folder on the disk, default BUILD_DIR/bench-data/run), TMPFS (a tmpfs folder to use instead of
# mounting one), SETS ("many big" by default), FILESYSTEMS ("disk tmpfs" by default), INSTALL=1
# to install the tools first.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/.."
build="$(cd "${1:-$root/build}" && pwd)"
cli="$build/src/cli/swapwright-cli"
floor="$build/bench/swapwright_floor_run"
runs="${RUNS:-5}"
count="${COUNT:-10}"
work="${WORK:-$build/bench-data/run}"
sets="${SETS:-many big}"
filesystems="${FILESYSTEMS:-disk tmpfs}"

[ "${INSTALL:-0}" = 1 ] && "$root/tools/install-deps" --bench
for tool in hyperfine perl sed python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (tools/install-deps --bench installs it)" >&2; exit 2; }
done
[ -x "$cli" ] || { echo "no $cli: build first (make build)" >&2; exit 2; }
[ -x "$floor" ] || { echo "no $floor: build first (make build)" >&2; exit 2; }

mkdir -p "$work"
cd "$work"
[ -d many.orig ] || python3 "$here/gen_corpus.py" corpus --bytes 100000000 --files 10000 --seed 1 --out many.orig
[ -f big.orig ] || python3 "$here/gen_corpus.py" corpus --bytes 100000000 --seed 1 --out big.orig
defs="$work/defs-$count.tsv"
[ -f "$defs" ] || python3 "$here/gen_corpus.py" defs --corpus big.orig --count "$count" --every 10000 --seed 1 --out "$defs"

# All definitions as case-sensitive literals without whole-word tests: there sed, perl and we
# mean the same (the generator keeps find texts out of each other and out of replacements).
python3 - "$defs" > "$work/script.sed" <<'PY'
import re, sys
for line in open(sys.argv[1], encoding="latin-1").read().splitlines():
    find, repl = line.split("\t")[:2]
    esc = lambda s: re.sub(r"([][\\/.*^$&])", r"\\\1", s)
    print("s/%s/%s/g" % (esc(find), esc(repl)))
PY
cat > "$work/inplace.pl" <<'PL'
BEGIN {
    open my $f, "<", shift @ARGV or die;
    while (<$f>) { chomp; my @d = split /\t/; $h{$d[0]} = $d[1]; }
    my $alt = join "|", map { quotemeta } sort { length $b <=> length $a } keys %h;
    $re = qr/($alt)/;
}
s/$re/$h{$1}/g;
PL

# The tmpfs: TMPFS, else one mounted below the build folder, else /dev/shm.
tmpfs_folder() {
  if [ -n "${TMPFS:-}" ]; then echo "$TMPFS"; return; fi
  local mnt="$build/bench-data/tmpfs"
  mkdir -p "$mnt"
  if mountpoint -q "$mnt" || mount -t tmpfs -o size=1200m tmpfs "$mnt" 2>/dev/null; then
    echo "$mnt"
  else
    mkdir -p /dev/shm/swapwright-bench && echo /dev/shm/swapwright-bench
  fi
}

# A definition file for the set $2 (a folder or a file) below $1, made from its original $3:
# backups off, continue on errors, undo history $4, written to $5.
make_swd() {
  python3 - "$defs" "$1/$2" "$3" "$4" > "$5" <<'PY'
import os, sys
prefix = "HKEY_CURRENT_USER\\Software\\Wq - Software\\Wq - Swapwright\\"
defs = [l.split("\t") for l in open(sys.argv[1], encoding="latin-1").read().splitlines()]
folder = sys.argv[2]
out = sys.stdout
out.write("[%sGeneral Settings]\nCreate Backup Files=False\nUndo History=%s\nFind Replace Grid Row Count=%d\n" % (prefix, sys.argv[4], max(100, len(defs))))
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
: > "$results.meta"

# run_set FS FOLDER NAME TARGET: TARGET (below FOLDER) is what the commands change, a folder or
# a file; TARGET.orig beside it the original it is restored from before each command.
run_set() {
  local fs="$1" folder="$2" name="$3" target="$4"
  cd "$folder"
  make_swd "$folder" "$target" "$folder/$target.orig" 0 "$folder/$target.swd"
  make_swd "$folder" "$target" "$folder/$target.orig" 5 "$folder/$target-undo.swd"
  local state="XDG_STATE_HOME=$folder/state-$target-undo" none="XDG_STATE_HOME=$folder/state-none"
  rm -rf "$folder/state-$target-undo" "$folder/state-none"
  local files="$target"
  [ -d "$target.orig" ] && files="$target/*"
  local restore="rm -rf $target && cp -a $target.orig $target"
  local -a names=(floor "floor, syncfs per 64" swapwright "swapwright --no-sync" "swapwright, undo data kept"
                 "sed -i" "perl -pi")
  local -a commands=("$floor $files"
                     "$floor --syncfs 64 $files"
                     "$none $cli run $target.swd > /dev/null"
                     "$none $cli run --no-sync $target.swd > /dev/null"
                     "$state $cli run $target-undo.swd > /dev/null"
                     "sed -i -f $work/script.sed $files"
                     "perl -pi $work/inplace.pl $defs $files")
  echo "== $fs: $name" >&2
  local i peak same
  rm -rf ours
  for i in "${!names[@]}"; do
    bash -c "$restore"
    /usr/bin/time -f '%M' -o peak.txt bash -c "${commands[$i]}"; peak="$(tail -1 peak.txt)"
    if [ "$i" -lt 2 ]; then same="(copy)"
    elif [ "$i" = 2 ]; then rm -rf ours && cp -a "$target" ours; same="-";
    elif diff -r -q ours "$target" >/dev/null; then same="yes"; else same="NO"; fi
    printf '%s\t%s\t%s\t%s\t%s\n' "$fs" "$name" "${names[$i]}" "$same" "$peak" >> "$results.meta"
  done
  # Five kept runs before timing: each timed run with undo data removes the oldest.
  for i in 1 2 3 4; do bash -c "$restore" && bash -c "${commands[4]}"; done
  local -a args=()
  for i in "${!names[@]}"; do args+=(-n "${names[$i]}" "${commands[$i]}"); done
  hyperfine -w 1 -r "$runs" --prepare "$restore" --export-json set.json "${args[@]}" >&2
  python3 - "$fs" "$name" set.json >> "$results" <<'PY'
import json, sys
for r in json.load(open(sys.argv[3]))["results"]:
    print("%s\t%s\t%s\t%.0f\t%.0f\t%.0f\t%.0f" % (sys.argv[1], sys.argv[2], r["command"], r["mean"] * 1000,
                                                r["stddev"] * 1000, r["user"] * 1000, r["system"] * 1000))
PY
  rm -rf ours "$target" set.json peak.txt "$folder/state-$target-undo" "$folder/state-none"
}

for fs in $filesystems; do
  case "$fs" in
    disk) folder="$work" ;;
    tmpfs) folder="$(tmpfs_folder)" ;;
    *) echo "unknown file system $fs (disk or tmpfs)" >&2; exit 2 ;;
  esac
  type="$(df -T "$folder" | awk 'NR==2 {print $2}')"
  for set in $sets; do
    [ "$folder" = "$work" ] || { rm -rf "$folder/$set.orig"; cp -a "$work/$set.orig" "$folder/$set.orig"; }
    case "$set" in
      many) run_set "$type" "$folder" "10,000 files of 10 KB" many ;;
      big) run_set "$type" "$folder" "one file of 100 MB" big ;;
    esac
    [ "$folder" = "$work" ] || rm -rf "$folder/$set.orig"
  done
done

python3 - "$results" "$results.meta" <<'PY'
import sys
rows = [l.rstrip("\n").split("\t") for l in open(sys.argv[1])]
meta = {(m[0], m[1], m[2]): m[3:] for m in (l.rstrip("\n").split("\t") for l in open(sys.argv[2]))}
print("| file system | set | tool | time (ms) | user / sys (ms) | time / floor | time / sed -i | peak RSS (MB) | result = ours |")
print("|---|---|---|---:|---:|---:|---:|---:|---|")
for key in dict.fromkeys((r[0], r[1]) for r in rows):
    group = [r for r in rows if (r[0], r[1]) == key]
    base = {r[2]: float(r[3]) for r in group}
    for r in group:
        same, peak = meta[(r[0], r[1], r[2])]
        print("| %s | %s | %s | %s ± %s | %s / %s | %.2f | %.2f | %.0f | %s |" % (
            r[0], r[1], r[2], r[3], r[4], r[5], r[6], float(r[3]) / base["floor"], float(r[3]) / base["sed -i"],
            int(peak) / 1024, same))
PY
