#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what an installation must hold.
#   install_smoke_test.sh BUILD_DIR SOURCE_DIR GUI(ON|OFF)
set -euo pipefail
build="$1" source="$2" gui="$3"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install smoke test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

[ -x "$prefix/bin/swapwright-cli" ] || fail "bin/swapwright-cli missing"
[ -f "$prefix/share/man/man1/swapwright-cli.1" ] || fail "man page of swapwright-cli missing"
# The installed command line runs on its own.
status=0
"$prefix/bin/swapwright-cli" >/dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "swapwright-cli without arguments gave $status, not 2"
"$prefix/bin/swapwright-cli" show "$source/examples/billing/billing.swd" | grep -q "^definition	1	Yes	TInvoiceForm" ||
  fail "swapwright-cli show of the example failed"

if [ "$gui" = "ON" ]; then
  for f in bin/swapwright share/applications/swapwright.desktop share/mime/packages/swapwright.xml \
           share/icons/hicolor/scalable/apps/swapwright.svg share/man/man1/swapwright.1 \
           share/doc/swapwright/guide.html; do
    [ -s "$prefix/$f" ] || fail "$f missing"
  done
  [ -x "$prefix/bin/swapwright" ] || fail "bin/swapwright is not executable"
  # Every PNG size is a PNG of that size.
  for size in 16 22 24 32 48 64 128 256; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/swapwright.png"
    [ -f "$png" ] || fail "icon ${size}x${size} missing"
    python3 - "$png" "$size" <<'PY' || fail "icon ${size}x${size} is not a ${size} pixel PNG"
import struct, sys
data = open(sys.argv[1], 'rb').read(24)
size = int(sys.argv[2])
assert data[:8] == b'\x89PNG\r\n\x1a\n' and data[12:16] == b'IHDR'
assert struct.unpack('>II', data[16:24]) == (size, size)
PY
  done
  python3 -c "import sys, xml.etree.ElementTree as E; E.parse(sys.argv[1])" \
    "$prefix/share/mime/packages/swapwright.xml" || fail "the MIME package is not well-formed XML"
  grep -q '<glob pattern="\*.swd"/>' "$prefix/share/mime/packages/swapwright.xml" || fail "no *.swd glob"
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/share/applications/swapwright.desktop" || fail "desktop entry does not validate"
  fi
  if command -v update-mime-database >/dev/null; then
    update-mime-database "$prefix/share/mime" >/dev/null 2>&1 || fail "update-mime-database refused the package"
    grep -q "application/x-wqswapdef" "$prefix/share/mime/globs2" || fail "the package gave no glob"
  fi
fi

if command -v groff >/dev/null; then
  for page in "$prefix"/share/man/man1/*.1; do
    warnings="$(groff -man -Tutf8 -ww -z "$page" 2>&1)"
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
  done
fi
echo "install smoke test: $(find "$prefix" -type f | wc -l) files in place"
