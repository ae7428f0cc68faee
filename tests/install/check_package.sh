#!/usr/bin/env bash
# The Debian package as a shop installs it: lintian shows no errors, apt
# installs it, an ordinary user starts the installed program under Xvfb and
# saves an offset through the window (clicks at the controls' places in
# app/mainwindow.ui), the files land in that user's ~/.config/nerufa-slip/,
# the command line reads them from there, a second user still starts with
# the neutral offsets (30/70), an administrator's files beside the program
# are read by a user who has saved none; then removing the package leaves
# nothing of it in /usr, and purging takes the administrator's files too.
#
# Needs root (apt-get, throwaway users), Xvfb, xdotool and lintian.
#   bash tests/install/check_package.sh build-package/nerufa-slip_1.0_amd64.deb
set -euo pipefail
deb=$(realpath "$1")
here=$(cd "$(dirname "$0")/../.." && pwd)
[ "$(id -u)" -eq 0 ] || { echo "check_package.sh must run as root"; exit 1; }

work=$(mktemp -d)
chmod 755 "$work"
users=()
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  for user in "${users[@]}"; do userdel -r "$user" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "check_package: $*"; exit 1; }
# The package where the ordinary users below can read it (the checkout may
# lie in a private folder).
cp "$deb" "$work/"
deb=$work/$(basename "$deb")
cd "$work"

echo "== lintian"
# As an ordinary user, as lintian prefers.
setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME=/tmp lintian --fail-on error --display-info "$deb" | tee "$work/lintian.txt"
# Kept on purpose: hardening-no-fortify-functions (info) — the program calls
# memcpy and readlink only with sizes known at run time, which _FORTIFY_SOURCE
# cannot check (the flags are set, see build.sh).
if grep -E '^[EW]:' "$work/lintian.txt"; then fail "lintian reports errors or warnings"; fi

echo "== install"
apt-get -s install "$deb" > "$work/simulated.txt" || fail "the package's dependencies do not resolve"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" > /dev/null
dpkg-query -L nerufa-slip > "$work/files.txt"
[ -x /usr/bin/nerufa-slip ] || fail "no /usr/bin/nerufa-slip"
grep -qx 'Exec=nerufa-slip %f' /usr/share/applications/nerufa-slip.desktop || fail "desktop entry Exec"
grep -qx 'MimeType=text/csv;' /usr/share/applications/nerufa-slip.desktop || fail "desktop entry MimeType"

# A display for the users' programs. Xvfb picks a free number itself.
Xvfb -displayfd 5 -screen 0 1024x768x24 -noreset 5>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")

# Makes a throwaway user; sets user and user_home.
new_user() {
  user=nerufa-ci-$$-$1
  useradd --create-home --shell /bin/sh "$user"
  users+=("$user")
  user_home=$(getent passwd "$user" | cut -d: -f6)
}

# Runs a command as the user in a session of its own: its home, its
# runtime folder and a private D-Bus session bus, as a desktop login has.
as_user() {
  local user=$1
  shift
  local home
  home=$(getent passwd "$user" | cut -d: -f6)
  install -d -m 700 -o "$user" -g "$user" "$work/run-$user"
  setpriv --reuid="$user" --regid="$user" --init-groups \
    env -i HOME="$home" USER="$user" PATH=/usr/bin:/bin DISPLAY="$DISPLAY" LANG=C.UTF-8 \
    XDG_RUNTIME_DIR="$work/run-$user" dbus-run-session -- "$@"
}

# Starts the installed program as the user and waits for its window;
# sets window_x, window_y (its client area) and program_pid.
start_window() {
  as_user "$1" nerufa-slip > "$work/program-$1.log" 2>&1 &
  program_pid=$!
  program_user=$1
  pids+=("$program_pid")
  local window=""
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --class nerufa-slip 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { cat "$work/program-$1.log"; fail "no window for $1"; }
  eval "$(xdotool getwindowgeometry --shell "$window")"
  window_x=$X
  window_y=$Y
  sleep 0.5 # the first paint and the start-up look-ups
}

# Presses the left button at a point of the window's client area.
click() {
  xdotool mousemove $((window_x + $1)) $((window_y + $2)) click 1
  sleep 0.3
}

# Ends the program by its id; its session bus ends with it.
stop_window() {
  local pid
  pid=$(pgrep -u "$program_user" -x nerufa-slip) || fail "the program of $program_user is not running"
  kill "$pid"
  wait "$program_pid" 2>/dev/null || true
}

# Places from app/mainwindow.ui: the unlabelled toggle OnOffBtn (BtnFrm at
# 424,448 + 4,10, 41 x 39), the right arrow of UpDownX (CyouseiFrm at 424,364
# + 138,16, 43 x 16) and HozonBtn (CyouseiFrm + 140,42, 41 x 37).
open_panel() { click 448 477; }
x_up() { click 594 388; }
save() { click 584 424; }

bytes() { od -An -c "$1" | tr -s ' '; }

echo "== a user saves an offset through the window"
new_user a
first=$user
first_home=$user_home
start_window "$first"
open_panel
x_up
save
stop_window
[ "$(bytes "$first_home/.config/nerufa-slip/nerufax1.txt")" = "$(printf '31\r\n' | od -An -c | tr -s ' ')" ] \
  || fail "the user's X offset file does not hold 31 CR LF: $(bytes "$first_home/.config/nerufa-slip/nerufax1.txt" 2>&1)"
[ "$(bytes "$first_home/.config/nerufa-slip/nerufay1.txt")" = "$(printf '70\r\n' | od -An -c | tr -s ' ')" ] \
  || fail "the user's Y offset file does not hold 70 CR LF"
ls /usr/lib/nerufa-slip/nerufa?1.txt 2>/dev/null && fail "offset files appeared beside the program"

echo "== the command line reads the same files"
cp "$here/docs/sample-orders.csv" "$work/orders.csv"
chmod 644 "$work/orders.csv"
as_user "$first" nerufa-slip --csv "$work/orders.csv" --pdf "$first_home/out.pdf" > "$work/cli-a.txt" 2>&1 \
  || { cat "$work/cli-a.txt"; fail "the command line failed"; }
grep -F "ズレ：左右 31（ファイル「$first_home/.config/nerufa-slip/nerufax1.txt」）、上下 70（ファイル「$first_home/.config/nerufa-slip/nerufay1.txt」）" \
  "$work/cli-a.txt" || { cat "$work/cli-a.txt"; fail "the command line did not use the user's offsets"; }

echo "== a second user starts neutral"
new_user b
second=$user
second_home=$user_home
as_user "$second" nerufa-slip --csv "$work/orders.csv" --pdf "$second_home/out.pdf" > "$work/cli-b.txt" 2>&1
grep -F "ズレ：左右 30（ファイルがないため、ずれなしの値）、上下 70（ファイルがないため、ずれなしの値）" "$work/cli-b.txt" \
  || { cat "$work/cli-b.txt"; fail "the second user's command line did not start neutral"; }
# The window shows 30 and 70: saving them unchanged writes exactly that.
start_window "$second"
open_panel
save
stop_window
[ "$(cat "$second_home/.config/nerufa-slip/nerufax1.txt" "$second_home/.config/nerufa-slip/nerufay1.txt" | od -An -c | tr -s ' ')" \
  = "$(printf '30\r\n70\r\n' | od -An -c | tr -s ' ')" ] || fail "the second user's window did not start with 30 and 70"

echo "== an administrator's calibration beside the program"
printf '45\r\n' > /usr/lib/nerufa-slip/nerufax1.txt
printf '66\r\n' > /usr/lib/nerufa-slip/nerufay1.txt
new_user c
third=$user
third_home=$user_home
as_user "$third" nerufa-slip --csv "$work/orders.csv" --pdf "$third_home/out.pdf" > "$work/cli-c.txt" 2>&1
grep -F "ズレ：左右 45（ファイル「/usr/lib/nerufa-slip/nerufax1.txt」）、上下 66（ファイル「/usr/lib/nerufa-slip/nerufay1.txt」）" \
  "$work/cli-c.txt" || { cat "$work/cli-c.txt"; fail "a new user did not read the administrator's offsets"; }
[ ! -e "$third_home/.config/nerufa-slip" ] || fail "reading made the user's folder"

echo "== remove, then purge"
# What is left of the package's paths and belongs to no installed package.
leftovers() {
  while IFS= read -r path; do
    [ -e "$path" ] || [ -L "$path" ] || continue
    dpkg -S "$path" > /dev/null 2>&1 || echo "$path"
  done < "$work/files.txt"
  find /usr -name '*nerufa*' 2>/dev/null
}
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq nerufa-slip > /dev/null 2>&1
left=$(leftovers | sort -u)
[ "$left" = "$(printf '/usr/lib/nerufa-slip\n/usr/lib/nerufa-slip/nerufax1.txt\n/usr/lib/nerufa-slip/nerufay1.txt')" ] \
  || fail "left after remove besides the administrator's offsets: $left"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq nerufa-slip > /dev/null 2>&1
left=$(leftovers | sort -u)
[ -z "$left" ] || fail "left after purge: $left"
echo "package ok"
