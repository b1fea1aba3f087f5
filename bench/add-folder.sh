#!/usr/bin/env bash
# `swapwright-cli show` with a folder of 100,000 files in 5,000 folders (a fifth matching the
# default masks) as a whole process, with hyperfine: once in a plain folder, once inside a git
# work tree with .gitignore files, once with --no-ignore there. The trees match those of
# swapwright_bench_folder_walk.
#
#   bench/add-folder.sh [BUILD_DIR]      (default: build)
#
# Environment: RUNS (hyperfine runs, default 10), WORK (data folder, default
# BUILD_DIR/bench-data/folders).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../build}" && pwd)"
cli="$build/src/cli/swapwright-cli"
runs="${RUNS:-10}"
work="${WORK:-$build/bench-data/folders}"
for tool in hyperfine python3 git; do
  command -v "$tool" >/dev/null || { echo "missing $tool (tools/install-deps --bench installs hyperfine)" >&2; exit 2; }
done
[ -x "$cli" ] || { echo "no $cli: build first (make build)" >&2; exit 2; }

mkdir -p "$work"
cd "$work"
make_tree() {
  python3 - "$1" <<'PY'
import os, sys
root = sys.argv[1]
exts = ["pas", "dfm", "inc", "dpk", "dcu", "txt", "res", "o", "bak", "xml", "ini", "log", "map", "obj",
        "drc", "rsm", "local", "identcache", "cfg", "png"]
for a in range(10):
    for b in range(10):
        for c in range(50):
            folder = os.path.join(root, f"mod{a}", f"pkg{b}", f"dir{c}")
            os.makedirs(folder, exist_ok=True)
            for i, e in enumerate(exts):
                with open(os.path.join(folder, f"Unit{i}.{e}"), "w") as f:
                    f.write("unit x;\n")
PY
}
[ -d plain ] || make_tree plain
if [ ! -d git ]; then
  make_tree git
  git init -q git
  printf '*.dcu\n*.~*\n__history/\n*.local\n*.identcache\nWin32/\nmod9/\n' > git/.gitignore
  for a in 0 1 2 3 4 5 6 7 8; do
    printf 'Unit3.dpk\n!Unit0.pas\npkg5/\n' > "git/mod$a/.gitignore"
    printf 'dir1*/\n' > "git/mod$a/pkg1/.gitignore"
  done
fi
: > empty.swd
for tree in plain git; do
  echo "$tree: $("$cli" show empty.swd "$tree" | grep -c '^file')" entries >&2
done
hyperfine --warmup 1 --runs "$runs" \
  "'$cli' show empty.swd plain > /dev/null" \
  "'$cli' show empty.swd git > /dev/null" \
  "'$cli' show --no-ignore empty.swd git > /dev/null"
