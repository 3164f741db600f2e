#!/usr/bin/env bash
# Stages an install and checks it with the desktop's own tools: the launcher
# entry must validate, the file type must compile into a MIME database that
# maps *.sem and *.map to it, and every file the entry names must be there.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build="$1"
mime_type="application/x-phi-sem-map"

for tool in desktop-file-validate update-mime-database; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (tools/install-deps installs it)"; exit 1; }
done

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
cmake --install "$build" --prefix "$stage" >/dev/null

failures=0
check() {  # check DESCRIPTION COMMAND...
  local what="$1"; shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
has_line() { grep -qxF -- "$2" "$1"; }

desktop="$stage/share/applications/orvistella.desktop"
check "program installed" test -x "$stage/bin/orvistella"
check "scalable icon installed" test -s "$stage/share/icons/hicolor/scalable/apps/orvistella.svg"
check "64x64 icon installed" test -s "$stage/share/icons/hicolor/64x64/apps/orvistella.png"
check "desktop entry validates without a hint" test -z "$(desktop-file-validate "$desktop" 2>&1)"
check "entry starts the program with the files" has_line "$desktop" "Exec=orvistella %F"
check "entry names the icon" has_line "$desktop" "Icon=orvistella"
check "entry opens the file type" has_line "$desktop" "MimeType=$mime_type;"

check "MIME database builds" env XDG_DATA_DIRS="$stage/share" update-mime-database "$stage/share/mime"
check "MIME cache written" test -s "$stage/share/mime/mime.cache"
type_file="$stage/share/mime/$mime_type.xml"
check "type described" grep -q "<comment>PHI SEM-MAP Image</comment>" "$type_file"
for glob in '*.sem' '*.map'; do
  # globs2 lines read weight:type:pattern[:flags]; no flag means case-insensitive
  check "$glob maps to the type" awk -F: -v t="$mime_type" -v g="$glob" \
    '$2 == t && $3 == g { found = 1 } END { exit !found }' "$stage/share/mime/globs2"
done

if [ "$failures" -ne 0 ]; then echo "$failures check(s) failed"; exit 1; fi
echo "all desktop install checks passed"
