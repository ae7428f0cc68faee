#!/usr/bin/env bash
# A desktop session with a real input method for one test run:
#   im_session.sh fcitx5|ibus|none TEST [ARGS...]
# starts Xvfb, a private D-Bus session bus and Fcitx 5 or IBus with Mozc
# (or neither), runs TEST on the xcb platform with that input method's Qt
# module, then ends every process it started, Mozc's server included, by
# its id. Mozc refuses to run as root: as root the session runs as nobody.
set -euo pipefail
method=$1
shift
if [ "$(id -u)" -eq 0 ]; then
  # nobody may not be able to read this checkout (a clone in a private
  # folder): the script and the program run from a copy it can read.
  copy=$(mktemp -d)
  chmod 755 "$copy"
  cp "$0" "$copy/im_session.sh"
  cp "$1" "$copy/$(basename "$1")"
  program=$copy/$(basename "$1")
  shift
  status=0
  setpriv --reuid=nobody --regid=nogroup --clear-groups bash "$copy/im_session.sh" "$method" "$program" "$@" || status=$?
  rm -rf "$copy"
  exit "$status"
fi

work=$(mktemp -d)
started=()
# Every process started here and everything they started, deepest first.
descendants() { local p; for p in $(pgrep -P "$1"); do descendants "$p"; done; echo "$1"; }
cleanup() {
  local all=() pid
  for pid in "${started[@]}"; do mapfile -t -O "${#all[@]}" all < <(descendants "$pid"); done
  [ "${#all[@]}" -eq 0 ] || kill "${all[@]}" 2>/dev/null || true
  sleep 0.3
  [ "${#all[@]}" -eq 0 ] || kill -KILL "${all[@]}" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share \
  XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$work/run IBUS_ADDRESS_FILE=$work/ibus-address
mkdir -p "$XDG_CONFIG_HOME/fcitx5" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

Xvfb -displayfd 5 -screen 0 1024x768x24 -noreset 5>"$work/display" >/dev/null 2>&1 &
started+=($!)
# A session bus that starts no services of its own: nothing but what is
# started here answers on it (the desktop's service files would start a
# second Fcitx the moment its name is asked for).
printf '<busconfig><type>session</type><listen>unix:path=%s</listen><auth>EXTERNAL</auth><policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy></busconfig>\n' \
  "$work/bus" > "$work/bus.conf"
dbus-daemon --config-file="$work/bus.conf" --fork --print-pid=6 6>"$work/bus.pid"
started+=("$(cat "$work/bus.pid")")
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display") DBUS_SESSION_BUS_ADDRESS=unix:path=$work/bus

# Polls until the command succeeds, for at most 30 s.
await() { for _ in $(seq 300); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done; echo "gave up waiting: $*"; exit 1; }

case $method in
  fcitx5)
    # One group: the keyboard, then Mozc.
    printf '[Groups/0]\nName=Default\nDefault Layout=us\nDefaultIM=mozc\n[Groups/0/Items/0]\nName=keyboard-us\nLayout=\n[Groups/0/Items/1]\nName=mozc\nLayout=\n[GroupOrder]\n0=Default\n' \
      > "$XDG_CONFIG_HOME/fcitx5/profile"
    fcitx5 --disable=all --enable=dbus,dbusfrontend,xcb,keyboard,mozc >"$work/im.log" 2>&1 &
    started+=($!)
    await sh -c "dbus-send --session --print-reply --dest=org.fcitx.Fcitx5 /controller org.fcitx.Fcitx.Controller1.AvailableInputMethods | grep -q '\"mozc\"'"
    export QT_IM_MODULE=fcitx
    ;;
  ibus)
    ibus-daemon --single --emoji-extension=disable >"$work/im.log" 2>&1 &
    started+=($!)
    await test -s "$IBUS_ADDRESS_FILE"
    export QT_IM_MODULE=ibus
    ;;
  none)
    export QT_IM_MODULE=
    ;;
esac
export NERUFA_IM=$method NERUFA_IM_PID=${started[2]:-} QT_QPA_PLATFORM=xcb
status=0
"$@" || status=$?
[ "$status" -eq 0 ] || cat "$work/im.log" 2>/dev/null || true
exit "$status"
