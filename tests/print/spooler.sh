#!/usr/bin/env bash
# The private print spooler of the tests (see spooler.h), in two steps around
# the start of the daemon, which the test starts and stops itself:
#   spooler.sh setup DIR   folders, configuration and the capture backend in DIR
#   spooler.sh queue DIR [NAME]
#                          once cupsd runs: adds the capture queue nerufa-capture,
#                          storing its jobs in DIR/out, and makes it the default
#                          printer; or adds the queue NAME, storing in DIR/out-NAME
# On failure the reason goes to standard error and the exit status is 1.
set -euo pipefail
step=$1
dir=$2
queue=${3:-nerufa-capture}
fail() { echo "$*" >&2; exit 1; }

if [ "$step" = setup ]; then
  [ "$(id -u)" -eq 0 ] || fail "not root: the private cupsd runs its capture backend as root, which needs root to own it"
  [ -d /usr/lib/cups ] || fail "/usr/lib/cups is missing (package cups-daemon)"
  mkdir -p "$dir"/{bin/backend,spool/tmp,cache,state,log,out,home}
  # Every helper folder but backend/ comes from Debian's installation.
  for sub in /usr/lib/cups/*/; do
    name=$(basename "$sub")
    [ "$name" = backend ] || ln -s "$sub" "$dir/bin/$name"
  done
  # Called with no arguments, a backend describes itself; otherwise it
  # stores the job (the file named by its sixth argument, or standard input)
  # under the folder of its device URI, capture:FOLDER, first under a
  # temporary name so that a reader never sees half a file. cupsd runs a
  # backend as root only when root owns it with mode 0700.
  cat > "$dir/bin/backend/capture" <<'EOF'
#!/bin/sh
if [ $# -eq 0 ]; then
    echo 'direct capture "Unknown" "Stores each job as a file"'
    exit 0
fi
out=${DEVICE_URI#capture:}
# A printer out of paper: from the job numbered in .fail-from on (counting
# the jobs this queue has stored), the backend asks cupsd to stop the queue
# and keep the job (exit 4), as a real one does.
if [ -f "$out/.fail-from" ] && [ $(( $(ls "$out" | grep -c '^job-.*\.pdf$') + 1 )) -ge "$(cat "$out/.fail-from")" ]; then
    exit 4
fi
name=$(printf 'job-%06d.pdf' "$1")
if [ -n "$6" ]; then cp "$6" "$out/.$name"; else cat > "$out/.$name"; fi || exit 1
echo "$4" > "$out/${name%.pdf}.copies"
echo "$5" > "$out/${name%.pdf}.options"
mv "$out/.$name" "$out/$name"
EOF
  chmod 0700 "$dir/bin/backend/capture"
  cat > "$dir/cupsd.conf" <<EOF
Listen $dir/cups.sock
Browsing Off
WebInterface No
LogLevel warn
<Location />
  Order allow,deny
  Allow all
</Location>
EOF
  cat > "$dir/cups-files.conf" <<EOF
ServerRoot $dir
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ServerBin $dir/bin
DataDir /usr/share/cups
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
EOF
elif [ "$step" = queue ]; then
  lpadmin=$(PATH=$PATH:/usr/sbin:/sbin command -v lpadmin) || fail "lpadmin not found (package cups-client)"
  export CUPS_SERVER=$dir/cups.sock
  out=$dir/out
  [ "$queue" = nerufa-capture ] || { out=$dir/out-$queue; mkdir -p "$out"; }
  # The queue can be added as soon as the daemon answers on its socket.
  for _ in $(seq 400); do
    if [ -S "$CUPS_SERVER" ] && "$lpadmin" -p "$queue" -E -v "capture:$out" -m raw 2>"$dir/log/lpadmin"; then
      [ "$queue" = nerufa-capture ] && exec "$lpadmin" -d nerufa-capture
      exit 0
    fi
    sleep 0.025
  done
  fail "the private cupsd did not take the queue: $(cat "$dir/log/lpadmin" "$dir/log/error_log" 2>/dev/null)"
else
  fail "usage: spooler.sh setup|queue DIR"
fi
