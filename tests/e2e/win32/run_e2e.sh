#!/usr/bin/env bash
# End-to-end test of vantro.exe: starts it under Wine on a private X server, types with
# real keystrokes, reads the console back through WM_GETTEXT (vantro_probe.exe), presses
# an option button of the toolbar, opens the Options and Logon dialogs, exits, restarts
# and checks that the option was kept in the registry. Screenshots go to OUT/.
#   run_e2e.sh VANTRO_EXE PROBE_EXE OUT_DIR
set -uo pipefail

exe=$1 probe=$2 out=$3
mkdir -p "$out"
out=$(cd "$out" && pwd)
export WINEPREFIX="$out/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A display number no other X server holds.
display_number=$((90 + RANDOM % 400))
while [ -e "/tmp/.X$display_number-lock" ] || [ -e "/tmp/.X11-unix/X$display_number" ]; do
  display_number=$((display_number + 1))
done
export DISPLAY=":$display_number"
failures=0 passes=0
xvfb_pid="" app_pid=""

cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT

check() {   # check NAME CONDITION-EXIT-CODE
  if [ "$2" -eq 0 ]; then passes=$((passes + 1)); echo "ok: $1"; else failures=$((failures + 1)); echo "FAILED: $1"; fi
}

wait_for() {   # wait_for SECONDS COMMAND...
  local until=$((SECONDS + $1)); shift
  while [ $SECONDS -lt $until ]; do "$@" >/dev/null 2>&1 && return 0; sleep 0.3; done
  return 1
}

console_text() { wine "$probe" console-text 2>/dev/null | tr -d '\r'; }
console_has() { console_text | grep -qF -- "$1"; }
shot() { import -window root "$out/$1.png" 2>/dev/null; }

Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
wait_for 10 xdotool getmouselocation || { echo "FAILED: Xvfb did not start"; exit 1; }
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
wineserver -w

# A fresh per-user store for every run.
wine reg delete 'HKCU\Software\VANTRO' /f >/dev/null 2>&1

start_app() {
  wine "$exe" "$@" >/dev/null 2>&1 &
  app_pid=$!
  if ! wait_for 40 xdotool search --name '^Vantro$' || ! wait_for 10 console_has "Vantro version"; then
    echo "FAILED: vantro.exe did not start"
    exit 1
  fi
  window=$(xdotool search --name '^Vantro$' | head -1)
  xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
  sleep 0.5
}

type_line() { xdotool type --delay 20 -- "$1"; xdotool key Return; sleep 0.5; }

# ---- first run ----------------------------------------------------------------------
start_app
check "main window shows the banner" "$(console_has 'Vantro version'; echo $?)"
shot main-window

xdotool type --delay 20 -- "set prompt E2X"; xdotool key BackSpace; type_line "E>"
wait_for 5 console_has "E2E> "
check "typed set prompt (with a Backspace) changes the prompt" $?

type_line "set"
wait_for 5 console_has "screen               = off"
check "set lists screen off by default" $?

# Option button of `screen` (row 20): command 1020.
rect=$(wine "$probe" button-rect 1020 2>/dev/null | tr -d '\r')
if [ -n "$rect" ]; then
  read -r left top right bottom <<<"$rect"
  xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2)) click 1
  sleep 0.5
fi
check "screen button pressed after the click" "$([ "$(wine "$probe" button-checked 1020 | tr -d '\r')" = 1 ]; echo $?)"
xdotool windowactivate --sync "$window" 2>/dev/null
type_line "set"
wait_for 5 console_has "screen               = on"
check "toolbar toggle shows in set" $?
shot main-after-set

# Options dialog from the Tools menu: a number entered as 0 is stored as 1.
xdotool key alt+t; sleep 0.3; xdotool key o
wait_for 10 xdotool search --name '^Options$'
check "Options dialog opens" $?
sleep 0.5; shot options-dialog
xdotool key Down; sleep 0.2; xdotool key Tab; sleep 0.2
xdotool type --delay 20 0; sleep 0.2
shot options-arraysize
xdotool key Return; sleep 0.5
xdotool windowactivate --sync "$window" 2>/dev/null
type_line "set"
wait_for 5 console_has "arraysize            = 1"
check "Options dialog stores a number of 0 as 1" $?

# Recent logon lists: slot 0 of the stored user list fills the user field.
user_image=$(printf '%-2000s' "$(printf 'scott' | od -An -tx1 | tr -d ' \n')" | tr ' ' 0)
wine reg add 'HKCU\Software\VANTRO' /v last_usernames /t REG_BINARY /d "$user_image" /f >/dev/null 2>&1

# Logon dialog: without a database layer the connect fails on the console.
xdotool windowactivate --sync "$window" 2>/dev/null
xdotool key ctrl+n
wait_for 10 xdotool search --name '^Logon$'
check "Logon dialog opens on Ctrl-N" $?
[ "$(wine "$probe" dialog-text Logon 1005 | tr -d '\r')" = scott ]
check "Logon dialog offers the stored user name" $?
xdotool key Tab; xdotool type --delay 20 tiger
sleep 0.3; shot logon-dialog
xdotool key Return
wait_for 5 console_has "Not connected to a database"
check "failed connect is reported on the console" $?
wait_for 3 xdotool search --name '^Logon$'
check "Logon dialog stays open after a failed connect" $?
xdotool key Escape; sleep 0.5

# Favourites > Add opens the favourites window through the menu bar.
xdotool windowactivate --sync "$window" 2>/dev/null
xdotool key F10; sleep 0.2; xdotool key Right Right Right Right; sleep 0.2; xdotool key Down; sleep 0.2
xdotool key Return
wait_for 10 wine "$probe" window-exists Favourites
check "Favourites > Add opens the favourites window" $?
sleep 0.3; shot favourites
wine "$probe" close Favourites >/dev/null 2>&1
wait_for 5 bash -c "! wine '$probe' window-exists Favourites"
check "closing the favourites window destroys it" $?

# The exit command ends the application from the console.
xdotool windowactivate --sync "$window" 2>/dev/null
type_line "exit"
wait_for 15 bash -c "! kill -0 $app_pid 2>/dev/null"
check "typed exit ends the application" $?
app_pid=""
wineserver -w

grep -qi '"screen"=dword:00000001' "$WINEPREFIX/user.reg"
check "screen option stored in the registry" $?

# ---- second run: the options were kept; a command line with a connect string and a
# command after it (no database layer: the connect fails, the command still runs) ------
start_app nodb set timing off
wait_for 5 console_has "Not connected to a database"
check "command-line connect string is tried" $?
wait_for 10 console_has "E2E> "
check "prompt kept after restart" $?

# A mouse drag selects a block of the first two rows; Ctrl-C copies it with CR LF.
read -r cx cy <<<"$(wine "$probe" console-origin | tr -d '\r')"
# The selection is anchored where the first move is seen: pause so that the X server does
# not merge the moves.
xdotool mousemove $((cx + 3)) $((cy + 4)) mousedown 1
sleep 0.2; xdotool mousemove $((cx + 4)) $((cy + 5))
sleep 0.2; xdotool mousemove $((cx + 30)) $((cy + 10))
sleep 0.2; xdotool mousemove $((cx + 60)) $((cy + 20))
sleep 0.2; xdotool mouseup 1
sleep 0.3
shot selection
xdotool key ctrl+c; sleep 0.3
wine "$probe" clipboard >"$out/clipboard.txt" 2>/dev/null
[ "$(wc -l <"$out/clipboard.txt")" -eq 1 ] && head -1 "$out/clipboard.txt" | grep -q $'^Vantro.*\r$' &&
  tail -1 "$out/clipboard.txt" | grep -q '^Not co'
check "drag and Ctrl-C copy a two-row block with CR LF" $?

type_line "set"
wait_for 5 console_has "screen               = on"
check "screen option kept after restart" $?
console_has "timing               = off"
check "words after the connect string run as a command" $?
check "screen button pressed after restart" "$([ "$(wine "$probe" button-checked 1020 | tr -d '\r')" = 1 ]; echo $?)"
shot main-restarted

# Ctrl-V types the clipboard: complete lines run, the last piece stays in the input.
wine "$probe" set-clipboard 'set prompt P1>\nset prompt P2>\nselect' >/dev/null 2>&1
xdotool windowactivate --sync "$window" 2>/dev/null
xdotool key ctrl+v
wait_for 10 bash -c "wine '$probe' console-text | tr -d '\r' | tail -1 | grep -qx 'P2> select'"
check "Ctrl-V pastes lines as typed input" $?
shot pasted

# Shift-Enter inside the input starts a new input line; Delete removes the character at
# the cursor and on screen.
xdotool key Home; sleep 0.2; xdotool key shift+Return; sleep 0.3; xdotool key Delete; sleep 0.3
last_rows=$(console_text | tail -2 | tr '\n' '|')
[ "$last_rows" = "P2> |  2 elect|" ]
check "Shift-Enter splits the input, Delete removes a character ($last_rows)" $?

# Dragging the result pane's top edge, also near its corner, changes the height only (its
# side and bottom borders lie outside the main window's client area).
pane_height() { wine "$probe" child-rect 202 | tr -d '\r' | awk '{print $4 - $2}'; }
console_height() { wine "$probe" child-rect 201 | tr -d '\r' | awk '{print $4 - $2}'; }
read -r pl pt pr pb <<<"$(wine "$probe" child-rect 202 | tr -d '\r')"
before=$(pane_height); console_before=$(console_height)
xdotool mousemove $(((pl + pr) / 2)) $((pt + 2)) mousedown 1
sleep 0.2; xdotool mousemove $(((pl + pr) / 2)) $((pt - 40))
sleep 0.2; xdotool mousemove $(((pl + pr) / 2)) $((pt - 80))
sleep 0.2; xdotool mouseup 1; sleep 0.5
after=$(pane_height); console_after=$(console_height)
[ $((after - before)) -ge 60 ] && [ $((console_before - console_after)) -ge 60 ]
check "dragging the pane's top edge moves space from the console to the list ($before->$after)" $?
read -r pl pt pr pb <<<"$(wine "$probe" child-rect 202 | tr -d '\r')"
xdotool mousemove $((pl + 6)) $((pt + 1)) mousedown 1
sleep 0.2; xdotool mousemove $((pl + 40)) $((pt + 30))
sleep 0.2; xdotool mousemove $((pl + 80)) $((pt + 60))
sleep 0.2; xdotool mouseup 1; sleep 0.5
read -r ql qt qr qb <<<"$(wine "$probe" child-rect 202 | tr -d '\r')"
[ "$ql" -eq "$pl" ] && [ "$qr" -eq "$pr" ] && [ "$qb" -eq "$pb" ] && [ $((qt - pt)) -ge 40 ]
check "dragging near the pane's corner moves only its top edge" $?
shot splitter-dragged
xdotool key ctrl+d
wait_for 15 bash -c "! kill -0 $app_pid 2>/dev/null"
check "Ctrl-D ends the application" $?
app_pid=""

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
