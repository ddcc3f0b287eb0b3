#!/usr/bin/env bash
# End-to-end test of the schema browser of vantro.exe under Wine and Xvfb: creates the
# demo schema on the embedded engine, opens the browser from the Tools menu, chooses
# object types and names with real keys, reads the pane back through vantro_probe.exe
# and compares it with the text the same DDL writer gives without a window
# (vantro_schema_ddl.exe, on the same database); Ctrl+A in the pane selects all, only one
# browser opens, and it closes and reopens. Screenshots go to OUT/.
#   schema_browser_e2e.sh VANTRO_EXE PROBE_EXE DDL_EXE OUT_DIR DEMO_SQL WINEPREFIX
set -uo pipefail

exe=$1 probe=$2 ddl=$3 out=$4 demo_sql=$5
mkdir -p "$out" "$6"
out=$(cd "$out" && pwd)
export WINEPREFIX=$(cd "$6" && pwd) WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
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
  while [ $SECONDS -lt $until ]; do "$@" >/dev/null 2>&1 && return 0; sleep 0.2; done
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

wine reg delete 'HKCU\Software\VANTRO' /f >/dev/null 2>&1
rm -rf "$out/home"
mkdir -p "$out/home"
VANTRO_HOME=$(winepath -w "$out/home" 2>/dev/null | tr -d '\r')
export VANTRO_HOME VANTRO_OCI_LIB=embedded

# The demo schema, made by the console itself from the demo script.
launch() {
  wine "$exe" "$@" >/dev/null 2>&1 &
  app_pid=$!
  if ! wait_for 40 wine "$probe" console-text || ! wait_for 10 console_has "Vantro version"; then
    echo "FAILED: vantro.exe did not start"
    exit 1
  fi
}
prompt_shown() { console_text | tail -1 | grep -qE '^[A-Z0-9]+> $'; }
launch demo/demo@schema "@$(winepath -w "$demo_sql" | tr -d '\r')"
wait_for 60 console_has "Package body created"
wait_for 30 prompt_shown
check "the demo script ran in the console" $?
activate_main() {
  local window
  window=$(xdotool search --name '^Vantro' | head -1)
  xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
  sleep 0.3
}

sb="Schema Browser"
combo() { wine "$probe" combo-items "$sb" "$1" | tr -d '\r'; }
combo_selected() { combo "$1" | sed -n 's/^\*//p'; }
pane_text() { wine "$probe" window-text "$sb" 212; }
# The writer's text for an object, as the pane shows it (CR LF line ends).
expected_ddl() { wine "$ddl" demo/demo@schema "$1" "$2" "$3" 2>/dev/null; }
click_control() {
  local l t r b
  read -r l t r b <<<"$(wine "$probe" dialog-rect "$sb" "$1" | tr -d '\r')"
  xdotool mousemove $(((l + r) / 2)) $((t + 8)) click 1
  sleep 0.5
}
# Chooses entry TEXT of list ID with the keys of a closed drop-down list: the list gets
# the focus with a click (which opens it) and Escape (which closes it again), then Home
# and Down move the selection one entry at a time, each move notifying the window.
choose() {   # choose ID TEXT
  local index
  index=$(combo "$1" | sed 's/^\*//' | grep -nxF -- "$2" | cut -d: -f1)
  [ -n "$index" ] || return 1
  click_control "$1"
  xdotool key Escape Home
  sleep 0.5
  local i
  for ((i = 1; i < index; i++)); do xdotool key Down; sleep 0.3; done
  wait_for 10 bash -c "[ \"\$(wine '$probe' combo-items '$sb' $1 | tr -d '\r' | sed -n 's/^\*//p')\" = '$2' ]"
}

# Tools > Schema Browser: the lists show the user's schema, its first object type and
# its first object, and the pane that object's DDL, from its first line.
activate_main
xdotool key alt+t
sleep 0.3
xdotool key b
wait_for 10 wine "$probe" window-exists "$sb"
check "Tools > Schema Browser opens the browser" $?
sleep 1
shot schema-browser-open
[ "$(combo_selected 207)" = DEMO ]
check "the session user's schema is selected ($(combo_selected 207))" $?
schemas=$(combo 207 | tr '\n' ';')
[[ ";$schemas" == *";PUBLIC;"* ]]
check "PUBLIC owns an object and is listed ($schemas)" $?
types=$(combo 209 | sed 's/^\*//' | tr '\n' ';')
first_type=$(combo 209 | sed -n '1s/^\*//p')
[ "$(combo_selected 209)" = "$first_type" ] && [[ ";$types" != *"PARTITION;"* ]] &&
  [[ ";$types" == *";TABLE;"* ]] && [[ ";$types" == *";PACKAGE BODY;"* ]]
check "the object types of the schema, the first selected ($types)" $?
first_name=$(combo 211 | sed -n '1s/^\*//p')
[ "$(combo_selected 211)" = "$first_name" ]
check "the first object of the first type is selected ($first_type $first_name)" $?
[ "$(pane_text)" = "$(expected_ddl DEMO "$first_type" "$first_name")" ]
check "the pane shows the writer's text of $first_type $first_name" $?
read -r start end length first <<<"$(wine "$probe" edit-selection "$sb" 212 | tr -d '\r')"
[ "$start" = 0 ] && [ "$end" = 0 ] && [ "$first" = 0 ] && [ "$length" -gt 0 ]
check "the caret stands at the start of the pane ($start $end $length $first)" $?

# The layout follows the client area: three columns of C = (W - 10) / 3 - 10 for the
# labels and lists, the pane 10 pixels inside the rest; at the first size and after a
# resize.
layout_right() {
  local cl ct cr cb l t r b w c x i id
  read -r cl ct cr cb <<<"$(wine "$probe" client-rect "$sb" | tr -d '\r')"
  w=$((cr - cl)); c=$(((w - 10) / 3 - 10))
  i=0
  for id in 206 207 208 209 210 211; do
    read -r l t r b <<<"$(wine "$probe" dialog-rect "$sb" $id | tr -d '\r')"
    x=$((10 + (i / 2) * (c + 10)))
    [ $((l - cl)) -eq $x ] && [ $((r - l)) -eq $c ] || return 1
    if [ $((i % 2)) -eq 0 ]; then [ $((t - ct)) -eq 10 ] || return 1; else [ $((t - ct)) -eq 27 ] || return 1; fi
    i=$((i + 1))
  done
  read -r l t r b <<<"$(wine "$probe" dialog-rect "$sb" 212 | tr -d '\r')"
  [ $((l - cl)) -eq 10 ] && [ $((t - ct)) -eq 60 ] && [ $((r - l)) -eq $((w - 20)) ] && [ $((b - t)) -eq $((cb - ct - 70)) ]
}
layout_right
check "the lists and the pane are laid out for the window's size" $?
xdotool windowsize "$(xdotool search --name "^$sb\$" | head -1)" 760 560
sleep 1
layout_right
check "after a resize the lists and the pane follow the new size" $?
shot schema-browser-resized

# Several types and names, each compared with its writer's text.
compare_object() {   # compare_object TYPE NAME
  choose 209 "$1" && { [ "$2" = "$(combo_selected 211)" ] || choose 211 "$2"; }
  local chosen=$?
  sleep 0.5
  pane_text >"$out/pane-$1-$2.txt"
  expected_ddl DEMO "$1" "$2" >"$out/expected-$1-$2.txt"
  [ $chosen -eq 0 ] && [ -s "$out/expected-$1-$2.txt" ] && cmp -s "$out/pane-$1-$2.txt" "$out/expected-$1-$2.txt"
  check "$1 $2: the pane holds the writer's text" $?
  local start end length first
  read -r start end length first <<<"$(wine "$probe" edit-selection "$sb" 212 | tr -d '\r')"
  [ "$start $end $first" = "0 0 0" ]
  check "$1 $2: the pane shows its first line with the caret at the start" $?
}
compare_object TABLE EMP
shot schema-browser-table
compare_object INDEX IX_EMP_MGR
compare_object VIEW EMP_DEPT
compare_object SEQUENCE EMP_SEQ
compare_object TRIGGER EMP_HIREDATE
compare_object PACKAGE EMP_ADMIN
compare_object "PACKAGE BODY" EMP_ADMIN
shot schema-browser-package-body
compare_object SYNONYM EMPLOYEES

# Another schema: PUBLIC's synonym.
choose 207 PUBLIC
sleep 0.5
[ "$(combo_selected 209)" = SYNONYM ] && [ "$(combo_selected 211)" = DEPARTMENTS ] &&
  [ "$(pane_text)" = "$(expected_ddl PUBLIC SYNONYM DEPARTMENTS)" ]
check "choosing PUBLIC refills the lists and shows its synonym" $?
shot schema-browser-public

# Ctrl+A in the pane selects its whole text.
choose 207 DEMO
choose 209 TABLE
click_control 212
xdotool key ctrl+a
sleep 0.5
read -r start end length first <<<"$(wine "$probe" edit-selection "$sb" 212 | tr -d '\r')"
[ "$start" = 0 ] && [ "$end" = "$length" ] && [ "$length" -gt 0 ]
check "Ctrl+A in the pane selects all its text ($start $end $length)" $?
shot schema-browser-select-all
# In the lists Ctrl+A is nothing special: the pane's selection stays as it was.
click_control 209
xdotool key Escape
sleep 0.3
xdotool key ctrl+a
sleep 0.5
[ "$(wine "$probe" edit-selection "$sb" 212 | tr -d '\r' | cut -d' ' -f1-3)" = "$start $end $length" ] &&
  [ "$(combo_selected 209)" = TABLE ]
check "Ctrl+A in a list changes neither the list nor the pane" $?

# While the browser is open the menu command opens no second one.
activate_main
xdotool key alt+t
sleep 0.3
xdotool key b
sleep 1
[ "$(wine "$probe" class-count SchemaBrowserClass | tr -d '\r')" = 1 ]
check "the menu command opens no second browser" $?

# Closing clears the console's record: the menu opens a new browser.
wine "$probe" close "$sb" >/dev/null 2>&1
wait_for 5 bash -c "! wine '$probe' window-exists '$sb'"
check "the browser closes" $?
activate_main
xdotool key alt+t
sleep 0.3
xdotool key b
wait_for 10 wine "$probe" window-exists "$sb"
sleep 1
[ "$(combo_selected 207)" = DEMO ] && [ -n "$(pane_text)" ]
check "the browser opens again after it was closed" $?
shot schema-browser-reopened
wine "$probe" close "$sb" >/dev/null 2>&1
wait_for 5 bash -c "! wine '$probe' window-exists '$sb'"

# While a statement runs the menu command opens no browser.
activate_main
read -r cx cy <<<"$(wine "$probe" console-origin | tr -d '\r')"
xdotool mousemove $((cx + 5)) $((cy + 5)) click 1
sleep 0.3
xdotool type --delay 8 -- "begin for i in 1..2000000000 loop null; end loop; end;"
xdotool key Return
xdotool type --delay 8 -- "/"
xdotool key Return
sleep 1
xdotool key alt+t
sleep 0.3
xdotool key b
sleep 1.5
! wine "$probe" window-exists "$sb"
check "the browser does not open while a statement runs" $?
xdotool key ctrl+x
wait_for 15 console_has "ORA-01013"
wait_for 10 prompt_shown

# A user without objects of its own (and no grants on DEMO's): only PUBLIC, whose synonym
# everyone sees, is listed; nothing is selected, so the lists to the right and the pane
# stay empty.
xdotool type --delay 8 -- "connect nobody/nobody@schema"
xdotool key Return
wait_for 20 prompt_shown
activate_main
xdotool key alt+t
sleep 0.3
xdotool key b
wait_for 10 wine "$probe" window-exists "$sb"
sleep 1
schemas=$(combo 207 | tr '\n' ';')
[ "$schemas" = "PUBLIC;" ] && [ -z "$(combo 209)" ] && [ -z "$(combo 211)" ] && [ -z "$(pane_text)" ]
check "a user without objects is not listed and nothing is selected ($schemas)" $?
shot schema-browser-no-objects
wine "$probe" close "$sb" >/dev/null 2>&1
wait_for 5 bash -c "! wine '$probe' window-exists '$sb'"

activate_main
xdotool key ctrl+d
wait_for 15 bash -c "! kill -0 $app_pid 2>/dev/null"
check "Ctrl-D ends the application" $?
app_pid=""

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
