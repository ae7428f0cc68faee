#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks it as a desktop
# program: the files in their places, a valid desktop entry, and a start
# through the launcher link that keeps the offset files beside the real
# executable.
set -euo pipefail
build_dir=$1
work=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

prefix="$work/prefix"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null

for f in lib/nerufa-slip/nerufa-slip bin/nerufa-slip share/applications/nerufa-slip.desktop \
         share/icons/hicolor/48x48/apps/nerufa-slip.png share/icons/hicolor/scalable/apps/nerufa-slip.svg \
         share/man/man1/nerufa-slip.1.gz share/doc/nerufa-slip/README.md; do
  [ -e "$prefix/$f" ] || { echo "missing after install: $f"; exit 1; }
done
[ -L "$prefix/bin/nerufa-slip" ] || { echo "bin/nerufa-slip is not a link"; exit 1; }
grep -qx "Name=ネルファ送り状印刷" "$prefix/share/applications/nerufa-slip.desktop"
grep -qx "Exec=$prefix/bin/nerufa-slip %f" "$prefix/share/applications/nerufa-slip.desktop"
grep -qx "MimeType=text/csv;" "$prefix/share/applications/nerufa-slip.desktop"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/nerufa-slip.desktop"
elif [ "${CI:-}" = true ]; then
  echo "desktop-file-validate is missing"; exit 1
fi

# Start through the link from another folder.
mkdir -p "$work/elsewhere" "$work/run"
chmod 700 "$work/run"
(cd "$work/elsewhere" && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/run" \
   XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" exec "$prefix/bin/nerufa-slip" >/dev/null 2>&1) &
pid=$!
for _ in $(seq 100); do
  [ -e "$prefix/lib/nerufa-slip/nerufay1.txt" ] && break
  sleep 0.1
done
[ -e "$prefix/lib/nerufa-slip/nerufax1.txt" ] || { echo "no offset file beside the executable"; exit 1; }
printf '30\r\n' | cmp -s - "$prefix/lib/nerufa-slip/nerufax1.txt" || { echo "new offset file does not hold 30 CR LF"; exit 1; }
[ -z "$(ls -A "$work/elsewhere")" ] || { echo "files appeared in the starting folder"; exit 1; }
[ ! -e "$prefix/bin/nerufax1.txt" ] || { echo "offset file beside the link"; exit 1; }
kill -0 "$pid" || { echo "the program did not keep running"; exit 1; }
echo "install layout ok"
