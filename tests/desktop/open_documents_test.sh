#!/usr/bin/env bash
# Starts the installed program the way a desktop opens documents with it, with
# the files' paths as arguments, waits for the PNG files of both, checks that
# the program is still open afterwards, and stops it with SIGTERM.
# Usage: open_documents_test.sh BUILD_DIR MAKE_MAP
set -euo pipefail
build="$1"
make_map="$2"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

stage="$(mktemp -d)"
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null || true; fi
  rm -rf "$stage"
}
trap cleanup EXIT
cmake --install "$build" --prefix "$stage/prefix" >/dev/null
# A runtime folder of its own: no other program of this user takes the documents.
mkdir -m 700 "$stage/runtime"
export XDG_RUNTIME_DIR="$stage/runtime"

# With no display and no platform chosen the program says so and ends.
status=0
said="$(timeout 60 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$stage/prefix/bin/orvistella" 2>&1 >/dev/null)" || status=$?
if [ "$status" != 1 ] || [ "$said" != "Orvistella needs a graphical session (DISPLAY or WAYLAND_DISPLAY)" ]; then
  echo "FAIL: without a display: status $status, said: $said"; exit 1
fi
echo "ok: without a display it says so and ends with status 1"

docs="$stage/my documents"  # a desktop passes a path with blanks as one argument
mkdir -p "$docs"
"$make_map" "$docs/first.map" 32 24 2 1
"$make_map" "$docs/second.sem" 40 30 2 2

"$stage/prefix/bin/orvistella" "$docs/first.map" "$docs/second.sem" >"$stage/log" 2>&1 &
pid=$!

pngs_of() { find "$docs" -maxdepth 1 -name "$1 *.png" -size +0 | wc -l; }
deadline=$((SECONDS + 60))
until [ "$(pngs_of first)" -ge 2 ] && [ "$(pngs_of second)" -ge 2 ]; do
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "FAIL: the program ended before writing its PNG files"; cat "$stage/log"; exit 1
  fi
  if [ "$SECONDS" -ge "$deadline" ]; then
    echo "FAIL: no PNG files after 60 s"; ls -la "$docs"; cat "$stage/log"; exit 1
  fi
  sleep 0.2
done
echo "ok: both documents converted:"
ls "$docs"

for f in "$docs"/*.png; do
  if [ "$(head -c 8 "$f" | od -An -tx1 | tr -d ' \n')" != "89504e470d0a1a0a" ]; then
    echo "FAIL: $f is not a PNG file"; exit 1
  fi
done

sleep 1  # a desktop program stays open once its documents are done
if ! kill -0 "$pid" 2>/dev/null; then echo "FAIL: the program quit by itself"; exit 1; fi
echo "ok: still open after converting"

kill -TERM "$pid"
deadline=$((SECONDS + 10))
while kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
  echo "note: still running 10 s after SIGTERM; killed"
  kill -KILL "$pid"
fi
status=0
wait "$pid" || status=$?
pid=""
echo "ok: stopped (exit status $status)"
echo "open documents test passed"
