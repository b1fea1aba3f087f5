#!/usr/bin/env bash
# Compares `swapwright-cli replace` with GNU sed, perl, sd and a plain copy (dd bs=1M) on the
# same generated input and definitions, as whole processes with hyperfine, and measures peak
# memory with /usr/bin/time -v. Before timing, each tool's output is byte-compared with ours
# (all definitions are case-sensitive literals without whole-word tests, where the tools mean
# the same).
#
#   bench/compare-tools.sh [BUILD_DIR]      (default: build)
#
# Environment: BYTES (input size, default 100000000), RUNS (hyperfine runs, default 5),
# WORK (data folder, default BUILD_DIR/bench-data), INSTALL=1 to install the tools first.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/.."
build="$(cd "${1:-$root/build}" && pwd)"
cli="$build/src/cli/swapwright-cli"
bytes="${BYTES:-100000000}"
runs="${RUNS:-5}"
work="${WORK:-$build/bench-data}"

[ "${INSTALL:-0}" = 1 ] && "$root/tools/install-deps" --bench
for tool in hyperfine sd perl sed dd python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (tools/install-deps --bench installs it)" >&2; exit 2; }
done
[ -x "$cli" ] || { echo "no $cli: build first (make build)" >&2; exit 2; }

mkdir -p "$work"
cd "$work"
input="corpus-$bytes.pas"
[ -f "$input" ] || python3 "$here/gen_corpus.py" corpus --bytes "$bytes" --seed 1 --out "$input"
defs() { # COUNT EVERY -> file name
  local name="defs-$bytes-$1-$([ "$2" = 100 ] && echo dense || echo rare).tsv"
  [ -f "$name" ] || python3 "$here/gen_corpus.py" defs --corpus "$input" --count "$1" --every "$2" --seed 1 --out "$name"
  echo "$name"
}
# The same definitions as sed expressions (find texts are identifiers; escaped all the same).
sed_script() {
  python3 - "$1" <<'EOF'
import re, sys
for line in open(sys.argv[1], encoding="latin-1").read().splitlines():
    find, repl = line.split("\t")[:2]
    esc = lambda s: re.sub(r"([][\\/.*^$&])", r"\\\1", s)
    print("s/%s/%s/g" % (esc(find), esc(repl)))
EOF
}
# The same definitions as one pipeline of sd calls (one literal pair each).
sd_pipeline() {
  python3 - "$1" "$input" <<'EOF'
import shlex, sys
pairs = [l.split("\t")[:2] for l in open(sys.argv[1], encoding="latin-1").read().splitlines()]
print("sd -s %s %s < %s" % (shlex.quote(pairs[0][0]), shlex.quote(pairs[0][1]), shlex.quote(sys.argv[2])) +
      "".join(" | sd -s %s %s" % (shlex.quote(f), shlex.quote(r)) for f, r in pairs[1:]))
EOF
}

results="$work/compare-results.tsv"
: > "$results"

# run_case CASE NAME COMMAND ...: swapwright comes first. Each tool runs once under
# /usr/bin/time (peak memory; its output is compared with ours), then all are timed.
run_case() {
  local case="$1"; shift
  local -a names=() commands=() args=()
  while [ $# -gt 0 ]; do names+=("$1"); commands+=("$2"); shift 2; done
  echo "== $case" >&2
  local i same peak
  for i in "${!names[@]}"; do
    rm -f out.bin
    /usr/bin/time -f '%M' -o peak.txt bash -c "${commands[$i]}" 2>/dev/null; peak="$(tail -1 peak.txt)"
    if [ "$i" = 0 ]; then mv out.bin ours.bin; same="-";
    elif [ "${names[$i]}" = dd ]; then same="(copy)";
    elif cmp -s out.bin ours.bin; then same="yes"; else same="NO"; fi
    printf '%s\t%s\t%s\t%s\n' "$case" "${names[$i]}" "$same" "$peak" >> "$results.meta"
    args+=(-n "${names[$i]}" "${commands[$i]}")
  done
  hyperfine -w 1 -r "$runs" --prepare 'rm -f out.bin' --export-json case.json "${args[@]}" >&2
  python3 - "$case" case.json >> "$results" <<'EOF'
import json, sys
for r in json.load(open(sys.argv[2]))["results"]:
    print("%s\t%s\t%.1f\t%.1f\t%.1f\t%.1f" % (sys.argv[1], r["command"], r["mean"] * 1000, r["stddev"] * 1000,
                                              r["user"] * 1000, r["system"] * 1000))
EOF
}

: > "$results.meta"
rare1="$(defs 1 10000)"; rare10="$(defs 10 10000)"; dense10="$(defs 10 100)"; rare1000="$(defs 1000 10000)"
sed_script "$rare1" > rare1.sed; sed_script "$rare10" > rare10.sed; sed_script "$dense10" > dense10.sed

run_case "1 definition, rare" \
  swapwright "'$cli' replace $rare1 $input out.bin 2>/dev/null" \
  sed "sed -f rare1.sed $input > out.bin" \
  perl "perl '$here/alternation.pl' $rare1 $input > out.bin" \
  sd "$(sd_pipeline "$rare1") > out.bin" \
  dd "dd if=$input of=out.bin bs=1M status=none"
run_case "10 definitions, rare" \
  swapwright "'$cli' replace $rare10 $input out.bin 2>/dev/null" \
  sed "sed -f rare10.sed $input > out.bin" \
  perl "perl '$here/alternation.pl' $rare10 $input > out.bin" \
  sd "$(sd_pipeline "$rare10") > out.bin" \
  dd "dd if=$input of=out.bin bs=1M status=none"
run_case "10 definitions, dense" \
  swapwright "'$cli' replace $dense10 $input out.bin 2>/dev/null" \
  sed "sed -f dense10.sed $input > out.bin" \
  perl "perl '$here/alternation.pl' $dense10 $input > out.bin" \
  sd "$(sd_pipeline "$dense10") > out.bin"
run_case "1000 definitions, rare" \
  swapwright "'$cli' replace $rare1000 $input out.bin 2>/dev/null" \
  perl "perl '$here/alternation.pl' $rare1000 $input > out.bin" \
  dd "dd if=$input of=out.bin bs=1M status=none"
rm -f out.bin ours.bin case.json peak.txt

python3 - "$results" "$results.meta" "$bytes" <<'EOF'
import sys
rows = [l.rstrip("\n").split("\t") for l in open(sys.argv[1])]
meta = {(c, n): (s, int(k)) for c, n, s, k in (l.rstrip("\n").split("\t") for l in open(sys.argv[2]))}
size = int(sys.argv[3])
print("| case | tool | time (ms) | user / sys (ms) | MB/s | time / swapwright | peak RSS (MB) | output = ours |")
print("|---|---|---:|---:|---:|---:|---:|---|")
for case in dict.fromkeys(r[0] for r in rows):
    ours = next(float(r[2]) for r in rows if r[0] == case and r[1] == "swapwright")
    for c, name, mean, sd, user, sys_ in (r for r in rows if r[0] == case):
        same, kb = meta[(c, name)]
        print("| %s | %s | %.0f ± %.0f | %.0f / %.0f | %.0f | %.2f | %.0f | %s |" % (
            c, name, float(mean), float(sd), float(user), float(sys_), size / 1e6 / (float(mean) / 1000),
            float(mean) / ours, kb / 1024, same))
EOF
