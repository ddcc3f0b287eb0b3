#!/usr/bin/env bash
# End-to-end test of vantro.exe: starts it under Wine on a private X server against the
# embedded engine, logs on through the Logon dialog, types statements with real
# keystrokes, reads the console (WM_GETTEXT) and the result list (LVM_GETITEMTEXT) back
# through vantro_probe.exe, presses an option button of the toolbar, opens the Options
# dialog, exits, restarts and checks that the option, the recent logon lists and the
# command history were kept; drives the SQL Analyzer (menu, tune, autotrace), the
# external editor's wait (with a stand-in editor that waits for a file) and the
# completion list's mouse handling. Screenshots go to OUT/.
#   run_e2e.sh VANTRO_EXE PROBE_EXE OUT_DIR STAND_IN_EDITOR_EXE
# With --package first, it checks an unpacked install instead: the Logon dialog at
# start-up, the demo database created from the installed demo script on the first logon,
# a query on it, and the exit; VANTRO_OCI_LIB is left unset, so that the program finds
# its engine beside itself as a user's copy does.
#   run_e2e.sh --package VANTRO_EXE PROBE_EXE OUT_DIR
set -uo pipefail

package_mode=0
if [ "${1:-}" = --package ]; then package_mode=1; shift; fi
exe=$1 probe=$2 out=$3 editor=${4:-}
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
  while [ $SECONDS -lt $until ]; do "$@" >/dev/null 2>&1 && return 0; sleep 0.2; done
  return 1
}

console_text() { wine "$probe" console-text 2>/dev/null | tr -d '\r'; }
console_has() { console_text | grep -qF -- "$1"; }
list_rows() { wine "$probe" list-rows 2>/dev/null | tr -d '\r' | tr '\n' ';'; }
shot() { import -window root "$out/$1.png" 2>/dev/null; }

Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
wait_for 10 xdotool getmouselocation || { echo "FAILED: Xvfb did not start"; exit 1; }
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
wineserver -w

# A fresh per-user store, history file and database folder for every run, on the
# embedded engine.
wine reg delete 'HKCU\Software\VANTRO' /f >/dev/null 2>&1
rm -rf "$out/home"
mkdir -p "$out/home"
VANTRO_HOME=$(winepath -w "$out/home" 2>/dev/null | tr -d '\r')
export VANTRO_HOME
if [ $package_mode -eq 0 ]; then export VANTRO_OCI_LIB=embedded; else unset VANTRO_OCI_LIB; fi
# The stand-in editor started by `edit` waits until this file exists.
STAND_IN_EDITOR_WAIT=$(winepath -w "$out/home/editor-done" 2>/dev/null | tr -d '\r')
export STAND_IN_EDITOR_WAIT

launch() {
  wine "$exe" "$@" >/dev/null 2>&1 &
  app_pid=$!
  if ! wait_for 40 wine "$probe" console-text || ! wait_for 10 console_has "Vantro version"; then
    echo "FAILED: vantro.exe did not start"
    exit 1
  fi
}

# Brings the main window to the front (its title names the session).
activate_main() {
  window=$(xdotool search --name '^Vantro' | head -1)
  xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
  sleep 0.3
}

# Fills the Logon dialog (user, password, database; each field is given the focus by the
# dialog, which selects its text, so typing replaces it) and presses
# Enter for OK; a fifth argument names a screenshot taken before OK.
logon() {
  wait_for 20 xdotool search --name '^Logon$' || return 1
  local dialog
  dialog=$(xdotool search --name '^Logon$' | head -1)
  xdotool windowactivate --sync "$dialog" 2>/dev/null
  sleep 0.3
  local field value
  for field in "1005 $1" "1007 $2" "1009 $3"; do
    wine "$probe" dialog-focus Logon "${field%% *}" >/dev/null 2>&1
    sleep 0.2
    value=${field#* }
    xdotool type --delay 8 -- "$value"
  done
  if [ -n "${4:-}" ]; then sleep 0.3; shot "$4"; fi
  xdotool key Return
}

# Gives the keyboard focus to the console with a click on its first row (a click there
# neither selects nor moves the input cursor).
focus_console() {
  local cx cy
  read -r cx cy <<<"$(wine "$probe" console-origin | tr -d '\r')"
  xdotool mousemove $((cx + 5)) $((cy + 5)) click 1
  sleep 0.3
}

type_line() { xdotool type --delay 8 -- "$1"; xdotool key Return; sleep 0.2; }
# A statement runs on a worker and keys typed meanwhile are ignored: wait for the prompt.
prompt_shown() { console_text | tail -1 | grep -qE '^[A-Z0-9]+> $'; }
run_sql() { type_line "$1"; wait_for 10 prompt_shown; }

# ---- first run: the Logon dialog at start-up ------------------------------------------
# Cancelling it ends the program.
launch
wait_for 20 xdotool search --name '^Logon$'
check "Logon dialog shown at start-up without a connect string" $?
[ -z "$(wine "$probe" dialog-text Logon 1005 | tr -d '\r')" ] &&
  [ "$(wine "$probe" dialog-text Logon 1013 | tr -d '\r')" = NORMAL ]
check "with no recent logons the user field is empty and the mode NORMAL" $?
xdotool windowactivate --sync "$(xdotool search --name '^Logon$' | head -1)" 2>/dev/null
xdotool key Escape
wait_for 15 bash -c "! kill -0 $app_pid 2>/dev/null"
check "cancelling the Logon dialog at start-up ends the program" $?
app_pid=""
wineserver -w

# ---- an unpacked install: the demo database on the first logon -------------------------
if [ $package_mode -eq 1 ]; then
  launch
  wait_for 20 xdotool search --name '^Logon$'
  [ "$(wine "$probe" dialog-text Logon 1009 | tr -d '\r')" = demo ]
  check "a fresh install offers the demo database" $?
  logon demo demo demo package-logon
  wait_for 20 console_has "Creating the demo database (first use)..."
  check "the first logon on the demo database creates it" $?
  wait_for 90 console_has "broken_procedure" && wait_for 30 prompt_shown
  check "the installed demo script runs to its end" $?
  console_has "$(winepath -w "$(dirname "$exe")" 2>/dev/null | tr -d '\r')\\demo.sql"
  check "the demo script is the one beside vantro.exe" $?
  activate_main
  focus_console
  run_sql "select ename, job from emp where empno = 7839;"
  wait_for 10 console_has "1 row selected"
  rows=$(list_rows)
  [ "$rows" = "KING|PRESIDENT;" ]
  check "a query on the demo database shows its row ($rows)" $?
  shot package-query
  console_text >"$out/console-package.txt"
  activate_main
  xdotool key ctrl+d
  wait_for 15 bash -c "! kill -0 $app_pid 2>/dev/null"
  check "Ctrl-D ends the application" $?
  app_pid=""
  echo "$passes passed, $failures failed"
  [ "$failures" -eq 0 ]
  exit
fi

launch
logon scott tiger e2e logon-dialog
wait_for 20 console_has "Connected"
check "logon through the dialog connects to the embedded engine" $?
wait_for 10 bash -c "! xdotool search --name '^Logon$'"
check "Logon dialog closes after a successful connect" $?
wait_for 5 xdotool search --name '^Vantro - scott@e2e$'
check "title names the session" $?
activate_main
console_has "OCI: embedded engine"
check "banner names the embedded engine" $?

xdotool type --delay 8 -- "set prompt E2X"; xdotool key BackSpace; type_line "E>"
wait_for 5 console_has "E2E> "
check "typed set prompt (with a Backspace) changes the prompt" $?

run_sql "create table e2e_items (id number(4), name varchar2(12));"
run_sql "insert into e2e_items values (1, 'ALPHA');"
run_sql "insert into e2e_items values (2, 'BETA ''B''');"
run_sql "commit;"
run_sql "select id, name from e2e_items order by id;"
wait_for 10 console_has "2 rows selected"
check "query runs and reports its rows" $?
[ "$(wine "$probe" list-headings | tr -d '\r')" = "ID|NAME" ]
check "result list shows the query's headings" $?
rows=$(list_rows)
[ "$rows" = "1|ALPHA;2|BETA 'B';" ]
check "result list shows the rows read from the result file ($rows)" $?
! console_text | grep -qx ' *1 *ALPHA *'
check "with screen off the rows are not printed in the console" $?
shot main-window

# Rows of the list to the clipboard: click the first, Shift-click the second, Ctrl-C;
# then the list's context menu copies the first column.
read -r rx ry <<<"$(wine "$probe" list-row-point 0 | tr -d '\r')"
xdotool mousemove "$rx" "$ry" click 1
sleep 0.3
read -r rx2 ry2 <<<"$(wine "$probe" list-row-point 1 | tr -d '\r')"
xdotool mousemove "$rx2" "$ry2" keydown shift click 1 keyup shift
sleep 0.3
xdotool key ctrl+c
sleep 0.3
[ "$(wine "$probe" clipboard)" = "1 ALPHA"$'\r\n'"2 BETA 'B'" ]
check "Ctrl-C in the list copies the selected rows, fields separated by a blank" $?
xdotool click 3
sleep 0.5
shot list-context-menu
xdotool key Down Return
sleep 0.3
[ "$(wine "$probe" clipboard)" = "1"$'\r\n'"2" ]
check "the list's context menu copies the first column" $?

# Export: the save dialog takes a name without extension, the CSV writer adds ".csv".
wine "$probe" post-command 40018
wait_for 10 wine "$probe" window-exists "Save As"
shot export-dialog
xdotool type --delay 8 -- "$(winepath -w "$out/home/rows" | tr -d '\r')"
xdotool key Return
wait_for 10 test -s "$out/home/rows.csv"
[ "$(tr -d '\r' < "$out/home/rows.csv" | head -2 | tr '\n' ';')" = "ID;NAME;\"1\";\"ALPHA\";" ]
check "Export writes the result as CSV with the filter's extension" $?

# Tab completes from the dictionary: after a table name and a dot the popup lists its
# columns; Down and Enter insert the second one.
focus_console
xdotool type --delay 8 -- "select e2e_items."
xdotool key Tab
wait_for 5 wine "$probe" class-visible HintClass
check "Tab opens the completion list under the input" $?
shot completion-list
xdotool key Down Return
sleep 0.5
console_text | tail -1 | grep -q '^E2E> select e2e_items.name $'
check "Enter inserts the selected completion ($(console_text | tail -1))" $?
! wine "$probe" class-visible HintClass
check "the completion list closes after the choice" $?
for _ in $(seq 24); do xdotool key BackSpace; done
sleep 0.3

# A statement that is not a query clears the list.
focus_console
run_sql "update e2e_items set name = name where id = 3;"
list_empty() { local headings; headings=$(wine "$probe" list-headings | tr -d '\r\n') && [ -z "$headings" ] && [ -z "$(list_rows)" ]; }
wait_for 5 list_empty
check "a statement that is not a query clears the result list" $?
shot list-cleared

# A click on the input line places the input cursor there: typing goes in at that column.
xdotool type --delay 8 -- "select 1 from dual"
read -r px py <<<"$(wine "$probe" console-cell 0 12 | tr -d '\r')"   # the "1"
xdotool mousemove "$px" "$py" click 1
sleep 0.3
xdotool type --delay 8 -- "2"
sleep 0.3
console_text | tail -1 | grep -qx 'E2E> select 21 from dual'
check "a click on the input line places the cursor ($(console_text | tail -1))" $?
xdotool key End
for _ in $(seq 19); do xdotool key BackSpace; done
sleep 0.3

# Command history: Up at the end of the input recalls the statements before; Down past
# the newest gives back the empty input.
xdotool key Up
sleep 0.5
console_text | tail -1 | grep -qx 'E2E> update e2e_items set name = name where id = 3;'
check "Up recalls the previous statement" $?
xdotool key Up
sleep 0.5
console_text | tail -1 | grep -qx 'E2E> select id, name from e2e_items order by id;'
check "Up again recalls the one before" $?
xdotool key Down Down
sleep 0.5
console_text | tail -1 | grep -qx 'E2E> '
check "Down past the newest entry gives back the empty input" $?

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
[ "$(wine "$probe" button-checked 1020 | tr -d '\r')" = 1 ]
check "screen button pressed after the click" $?

# A million rows with screen on: the console paints at the pace of the progress, not
# once per row, and the result list scrolled to its end reads only the rows it shows.
# (Before the last statements of this run, which the history check after the restart
# expects.)
activate_main
run_sql "create table e2e_many (n number);"
run_sql "insert into e2e_many values (1);"
for ((size = 1; size < 524288; size *= 2)); do
  type_line "insert into e2e_many select n + $size from e2e_many;"; wait_for 60 prompt_shown
done
type_line "insert into e2e_many select n + 524288 from e2e_many where n <= 475712;"; wait_for 60 prompt_shown
read -r paints_before _ <<<"$(wine "$probe" counts | tr -d '\r')"
type_line "select n from e2e_many;"
wait_for 300 console_has "1000000 rows selected"
check "a million rows with screen on are printed and counted" $?
console_text | grep -qx '1000000 *'
check "the console shows the last of the million rows" $?
sleep 1
read -r paints_after reads_before <<<"$(wine "$probe" counts | tr -d '\r')"
[ $((paints_after - paints_before)) -lt 2000 ]
check "the console painted $((paints_after - paints_before)) times for a million rows" $?
read -r count top page <<<"$(wine "$probe" list-end | tr -d '\r')"
sleep 0.5
read -r _ reads_after <<<"$(wine "$probe" counts | tr -d '\r')"
[ "$count" = 1000000 ] && [ $((top + page)) -ge 1000000 ] && [ $((reads_after - reads_before)) -le $((3 * (page + 1))) ]
check "the result list at its end read $((reads_after - reads_before)) cells for a page of $page rows" $?
[ "$(wine "$probe" list-row 999999 | tr -d '\r')" = 1000000 ]
check "the result list's last row is the millionth" $?
shot million-rows
type_line "drop table e2e_many;"; wait_for 60 prompt_shown

activate_main
type_line "set"
wait_for 5 console_has "screen               = on"
check "toolbar toggle shows in set" $?
run_sql "select name from e2e_items where id = 1;"
wait_for 10 bash -c "wine '$probe' console-text | tr -d '\r' | grep -qx 'ALPHA *'"
check "with screen on the rows are printed in the console" $?
shot main-after-set

# Options dialog from the Tools menu: a number entered as 0 is stored as 1.
xdotool key alt+t
sleep 0.3
xdotool key o
wait_for 10 xdotool search --name '^Options$'
check "Options dialog opens" $?
sleep 0.5
shot options-dialog
xdotool key Down; sleep 0.2; xdotool key Tab; sleep 0.2
xdotool type --delay 8 0
sleep 0.2
shot options-arraysize
xdotool key Return
sleep 0.5
activate_main
type_line "set"
wait_for 5 console_has "arraysize            = 1"
check "Options dialog stores a number of 0 as 1" $?

# Favourites > Add opens the favourites window through the menu bar.
activate_main
xdotool key F10; sleep 0.2; xdotool key Right Right Right Right; sleep 0.2; xdotool key Down; sleep 0.2
xdotool key Return
wait_for 10 wine "$probe" window-exists Favourites
check "Favourites > Add opens the favourites window" $?
sleep 0.3
shot favourites
wine "$probe" close Favourites >/dev/null 2>&1
wait_for 5 bash -c "! wine '$probe' window-exists Favourites"
check "closing the favourites window destroys it" $?

# The exit command ends the application from the console.
activate_main
console_text >"$out/console-first-run.txt"
type_line "exit"
wait_for 15 bash -c "! kill -0 $app_pid 2>/dev/null"
check "typed exit ends the application" $?
app_pid=""
wineserver -w

grep -qi '"screen"=dword:00000001' "$WINEPREFIX/user.reg"
check "screen option stored in the registry" $?

# ---- second run: a connect string and a command on the command line; the options, the
# recent logons and the command history were kept ---------------------------------------
launch scott/tiger@e2e set timing off
wait_for 20 console_has "Connected"
check "command-line connect string connects" $?
! xdotool search --name '^Logon$' >/dev/null 2>&1
check "no Logon dialog after a command-line connect" $?
activate_main
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
xdotool key ctrl+c
sleep 0.3
wine "$probe" clipboard >"$out/clipboard.txt" 2>/dev/null
[ "$(wc -l <"$out/clipboard.txt")" -eq 1 ] && head -1 "$out/clipboard.txt" | grep -q $'^Vantro.*\r$' &&
  tail -1 "$out/clipboard.txt" | grep -q '^OCI: '
check "drag and Ctrl-C copy a two-row block with CR LF" $?

type_line "set"
wait_for 5 console_has "screen               = on"
check "screen option kept after restart" $?
console_has "timing               = off"
check "words after the connect string run as a command" $?
[ "$(wine "$probe" button-checked 1020 | tr -d '\r')" = 1 ]
check "screen button pressed after restart" $?
shot main-restarted

# The history file of the first run: behind this run's `set` and `set timing off` come
# the first run's `set` and its last query.
xdotool key Up Up Up Up
sleep 0.5
console_text | tail -1 | grep -qx 'E2E> select name from e2e_items where id = 1;'
check "the command history was kept across the restart" $?
xdotool key Down Down Down Down Down
sleep 0.3

# The Logon dialog from the menu offers the recent user and database; a wrong password
# keeps it open with the error on the console, the right one connects.
xdotool key ctrl+n
wait_for 10 xdotool search --name '^Logon$'
check "Logon dialog opens on Ctrl-N" $?
[ "$(wine "$probe" dialog-text Logon 1005 | tr -d '\r')" = scott ] &&
  [ "$(wine "$probe" dialog-text Logon 1009 | tr -d '\r')" = e2e ]
check "Logon dialog offers the recent user and database" $?
logon scott wrong e2e
wait_for 10 console_has "ORA-01017"
check "a wrong password is reported on the console" $?
sleep 0.5
xdotool search --name '^Logon$' >/dev/null 2>&1
check "Logon dialog stays open after a failed connect" $?
logon scott tiger e2e
wait_for 10 bash -c "! xdotool search --name '^Logon$'"
check "the right password connects and closes the dialog" $?
activate_main
run_sql "select count(*) from e2e_items;"
wait_for 10 bash -c "[ \"\$(wine '$probe' list-rows | tr -d '\r')\" = 2 ]"
check "the new session sees the table of the first run" $?

# ---- SQL Analyzer: from the menu, a hint with a table and two indexes, Explain plan,
# Execute, Close; then tune and autotrace open it with their statement and its plan ----
an="SQL Analyzer"
an_text() { wine "$probe" dialog-text "$an" "$1" | tr -d '\r'; }
an_items() { wine "$probe" list-items "$an" "$1" | tr -d '\r' | tr '\n' ';'; }
tree_text() { wine "$probe" tree-items "$an" | tr -d '\r'; }
plan_shown() { tree_text | head -1 | grep -q '^SELECT STATEMENT'; }
# Clicks the middle of a control of the analyzer, or entry N of one of its lists.
an_click() {
  local l t r b
  read -r l t r b <<<"$(wine "$probe" dialog-rect "$an" "$1" | tr -d '\r')"
  xdotool mousemove $(((l + r) / 2)) $(((t + b) / 2)) click 1
  sleep 0.5
}
an_click_entry() {   # an_click_entry ID N [KEY held]
  local x y
  read -r x y <<<"$(wine "$probe" list-item-point "$an" "$1" "$2" | tr -d '\r')"
  if [ -n "${3:-}" ]; then xdotool mousemove "$x" "$y" keydown "$3" click 1 keyup "$3"
  else xdotool mousemove "$x" "$y" click 1; fi
  sleep 0.7
}
run_sql "create index e2e_items_id on e2e_items (id);"
run_sql "create index e2e_items_name on e2e_items (name);"
xdotool key alt+t
sleep 0.3
xdotool key s
wait_for 10 wine "$probe" window-exists "$an"
check "Tools > Sql Analyzer opens the analyzer" $?
sleep 0.5
[ "$(an_text 1032)" = None ] && ! wine "$probe" dialog-visible "$an" 1034 && ! wine "$probe" dialog-visible "$an" 1040 &&
  [ "$(an_text 1038)" = "Let the optimizer decide the best plan" ]
check "the analyzer starts with the hint None, its description and no lists" $?
shot analyzer-open
wine "$probe" dialog-focus "$an" 1027 >/dev/null 2>&1
sleep 0.2
xdotool type --delay 8 -- "select id, name from e2e_items where id = 1"
# The keys reach the edit only as fast as Wine reads them: wait before the focus moves on.
wait_for 10 bash -c "[ \"\$(wine '$probe' dialog-text '$an' 1027 | tr -d '\r')\" = 'select id, name from e2e_items where id = 1' ]"
# On the closed hint list, I selects the first hint beginning with I: INDEX.
wine "$probe" dialog-focus "$an" 1032 >/dev/null 2>&1
sleep 0.2
xdotool key i
sleep 0.7
[ "$(an_text 1032)" = INDEX ] && [ "$(an_text 1035)" = "Table:" ] && [ "$(an_text 1037)" = "Indexes:" ] &&
  wine "$probe" dialog-visible "$an" 1034 && wine "$probe" dialog-visible "$an" 1040
check "choosing INDEX shows a one-table list and a several-index list" $?
tables=$(an_items 1034)
[ "$tables" = "E2E_ITEMS;" ] && [ -z "$(an_items 1040)" ]
check "the table list offers the user's table ($tables)" $?
an_click_entry 1034 0
indexes=$(an_items 1040)
[ "$indexes" = "*E2E_ITEMS_ID;E2E_ITEMS_NAME;" ] || [ "$indexes" = "E2E_ITEMS_ID;E2E_ITEMS_NAME;" ]
check "choosing the table lists its indexes ($indexes)" $?
an_click_entry 1040 0
an_click_entry 1040 1 ctrl
hinted="select /*+ INDEX (E2E_ITEMS E2E_ITEMS_ID E2E_ITEMS_NAME) */ id, name from e2e_items where id = 1"
statement=$(an_text 1027)
[ "$statement" = "$hinted" ] && [ "$(an_items 1040)" = "*E2E_ITEMS_ID;*E2E_ITEMS_NAME;" ]
check "the statement carries the hint with the table and both indexes ($statement)" $?
shot analyzer-hint
an_click 1029
wait_for 10 plan_shown
check "Explain plan shows the plan's steps in the tree" $?
tree_text >"$out/analyzer-tree.txt"
grep -q "^  [^ ].*OF 'E2E_ITEMS'" "$out/analyzer-tree.txt" && grep -q "^    [^ ].*INDEX .* OF 'E2E_ITEMS_" "$out/analyzer-tree.txt"
check "the table's step hangs under the statement ($(tr '\n' '|' <"$out/analyzer-tree.txt"))" $?
shot analyzer-plan
an_click 1031
wait_for 10 bash -c "[ \"\$(wine '$probe' list-rows | tr -d '\r')\" = '1|ALPHA' ]"
check "Execute runs the statement in the console and its rows reach the result list" $?
console_has "E2E> $hinted;"
check "Execute types the statement with a \";\" into the console" $?
shot analyzer-executed
an_click 1030
wait_for 5 bash -c "! wine '$probe' window-exists '$an'"
check "Close ends the analyzer" $?

activate_main
run_sql "select name from e2e_items where id = 2;"
type_line "tune"
wait_for 10 wine "$probe" window-exists "$an"
check "tune opens the analyzer" $?
wait_for 10 plan_shown
[ $? -eq 0 ] && [ "$(an_text 1027)" = "select name from e2e_items where id = 2" ]
check "tune loads the last statement and explains it" $?
shot analyzer-tune
wine "$probe" close "$an" >/dev/null 2>&1
wait_for 5 bash -c "! wine '$probe' window-exists '$an'"
activate_main
run_sql "set autotrace on"
run_sql "select id from e2e_items where name = 'BETA ''B''';"
wait_for 10 wine "$probe" window-exists "$an"
check "with autotrace on a query opens the analyzer" $?
wait_for 10 plan_shown
[ $? -eq 0 ] && [ "$(an_text 1027)" = "select id from e2e_items where name = 'BETA ''B'''" ]
check "autotrace shows the statement and its plan in the analyzer" $?
wait_for 10 bash -c "[ \"\$(wine '$probe' list-rows | tr -d '\r')\" = 2 ]"
check "the query then runs" $?
shot analyzer-autotrace
activate_main
run_sql "set autotrace off"
wine "$probe" close "$an" >/dev/null 2>&1
wait_for 5 bash -c "! wine '$probe' window-exists '$an'"
# An explain leaves the session's transaction open (rolled back to its savepoint only),
# and the embedded engine keeps its database locked until the transaction ends: the
# second instance started below could not connect meanwhile.
run_sql "rollback;"

# ---- the external editor: while it runs the main window keeps handling its messages ----
run_sql "set editor $(winepath -w "$editor" | tr -d '\r')"
run_sql "set edit_filename $(winepath -w "$out/home/afiedt.buf" | tr -d '\r')"
rm -f "$out/home/editor-done"
type_line "edit"
wait_for 10 test -s "$out/home/afiedt.buf"
sleep 1
main_window=$(xdotool search --name '^Vantro - scott@e2e$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$main_window")"
main_width=$WIDTH main_height=$HEIGHT
read -r cl ct cr cb <<<"$(wine "$probe" child-rect 201 | tr -d '\r')"
xdotool windowsize "$main_window" $((main_width - 80)) $((main_height - 60))
sleep 1.5
read -r nl nt nr nb <<<"$(timeout 10 wine "$probe" child-rect 201 | tr -d '\r')"
[ -n "$nr" ] && [ "$((cr - cl - nr + nl))" -ge 60 ]
check "while the editor runs the main window is resized and lays out again ($((cr - cl)) -> $((${nr:-0} - ${nl:-0})))" $?
timeout 10 wine "$probe" console-text >/dev/null 2>&1
check "while the editor runs the console answers" $?
xdotool type --delay 8 -- "xyz"
sleep 0.5
shot editor-waiting
! console_text | tail -1 | grep -q xyz
check "while the editor runs typing is refused" $?
touch "$out/home/editor-done"
wait_for 15 bash -c "wine '$probe' console-text | tr -d '\r' | grep -qx ' *2 from emp'"
check "after the editor ends the edited statement is in the console" $?
xdotool windowsize "$main_window" "$main_width" "$main_height"
sleep 1

# ---- the completion list: a double click inserts the entry under the mouse ------------
focus_console
xdotool type --delay 8 -- "select e2e_items."
xdotool key Tab
wait_for 5 wine "$probe" class-visible HintClass
read -r hx hy <<<"$(wine "$probe" hint-item-point 1 | tr -d '\r')"
xdotool mousemove "$hx" "$hy" click --repeat 2 --delay 80 1
sleep 0.7
shot completion-double-click
inserted=$(console_text | tail -1)
[ "$inserted" = "E2E> select e2e_items.name " ]
check "a double click in the completion list inserts the entry clicked ($inserted)" $?
! wine "$probe" class-visible HintClass
check "the completion list closes after the double click" $?
for _ in $(seq 24); do xdotool key BackSpace; done
sleep 0.3

# A script (run by a worker) asks for a substitution value, and a typed `accept` asks on
# the GUI thread; both take the typed line.
printf "select '&who' as who from dual;\r\n" >"$out/home/ask.sql"
type_line "@$(winepath -w "$out/home/ask.sql" | tr -d '\r')"
wait_for 10 console_has "Enter value for who"
check "a statement asks for a substitution value" $?
type_line "World"
wait_for 10 bash -c "[ \"\$(wine '$probe' list-rows | tr -d '\r')\" = World ]"
check "the typed value reaches the statement" $?
wait_for 10 prompt_shown
type_line 'accept answer prompt "Answer? "'
wait_for 10 bash -c "wine '$probe' console-text | tr -d '\r' | tail -1 | grep -qx 'Answer? '"
check "accept asks on the console" $?
type_line "42"
type_line "define answer"
wait_for 10 console_has '"42"'
check "the accepted line is defined" $?

# Right-click types the selected block as input lines: the printed text of `prompt` is
# selected and runs as a command.
type_line "prompt undefine answer"
read -r sx sy <<<"$(wine "$probe" console-cell 1 0 | tr -d '\r')"
read -r ex ey <<<"$(wine "$probe" console-cell 1 14 | tr -d '\r')"
xdotool mousemove "$sx" "$sy" mousedown 1
sleep 0.2; xdotool mousemove $((sx + 1)) "$sy"
sleep 0.2; xdotool mousemove "$ex" "$ey"
sleep 0.2; xdotool mouseup 1
sleep 0.3
xdotool click 3
wait_for 10 console_has "E2E> undefine answer"
check "right-click types the selected text as a line" $?
type_line "define answer"
wait_for 10 console_has "Variable answer is UNDEFINED"
check "the line typed by right-click ran" $?

# Dragging above the console scrolls it up while the button is held: the block selected
# reaches far beyond the rows that were visible. On a busy machine the scrolling timer may
# hardly run in the first hold, so a short selection is tried again with a longer hold.
visible_rows=$(( $(wine "$probe" child-rect 201 | tr -d '\r' | awk '{print $4 - $2}') / 15 ))
for hold in 2 5 10; do
  read -r sx sy <<<"$(wine "$probe" console-cell 0 3 | tr -d '\r')"
  read -r cx cy <<<"$(wine "$probe" console-origin | tr -d '\r')"
  xdotool mousemove "$sx" "$sy" mousedown 1
  sleep 0.2; xdotool mousemove $((sx + 1)) "$sy"
  sleep 0.2; xdotool mousemove $((sx + 8)) $((cy - 20))
  sleep "$hold"; xdotool mouseup 1
  sleep 0.3
  shot auto-scrolled
  xdotool key ctrl+c
  sleep 0.3
  selected_rows=$(wine "$probe" clipboard | wc -l)
  [ "$selected_rows" -gt $((visible_rows + 2)) ] && break
done
[ "$selected_rows" -gt $((visible_rows + 2)) ]
check "the view scrolls up while the drag is held above it ($selected_rows rows, $visible_rows visible)" $?
focus_console

# While a statement runs, typing is ignored and Exit and Connect are refused; Cancel
# (Ctrl-X) stops the statement.
type_line "begin for i in 1..2000000000 loop null; end loop; end;"
type_line "/"
sleep 1
xdotool key ctrl+d
xdotool key ctrl+n
xdotool type --delay 8 "xyz"
sleep 1.5
kill -0 "$app_pid" 2>/dev/null && ! xdotool search --name '^Logon$' >/dev/null 2>&1
check "Exit and Connect are refused while a statement runs" $?
shot busy
xdotool key ctrl+x
wait_for 15 console_has "ORA-01013"
check "Cancel stops the running statement" $?
sleep 0.5
console_text | tail -1 | grep -qx 'E2E> '
check "keys typed while the statement ran were ignored" $?

# Ctrl-V types the clipboard: complete lines run, the last piece stays in the input.
wine "$probe" set-clipboard 'set prompt P1>\nset prompt P2>\nselect' >/dev/null 2>&1
activate_main
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
console_text >"$out/console-second-run.txt"

# New window starts a second instance that connects to the same database by itself.
main_count() { [ "$(wine "$probe" main-count | tr -d '\r')" = "$1" ]; }
activate_main
xdotool key ctrl+w
wait_for 40 main_count 2
check "New window starts a second instance" $?
wait_for 20 bash -c "[ \"\$(xdotool search --name '^Vantro - scott@e2e$' | wc -l)\" -ge 2 ]"
check "the second instance is connected to the same database" $?
shot new-window
wine "$probe" close-newest-main >/dev/null 2>&1
wait_for 20 main_count 1
check "the second instance closes" $?
activate_main
xdotool key ctrl+d
wait_for 15 bash -c "! kill -0 $app_pid 2>/dev/null"
check "Ctrl-D ends the application" $?
app_pid=""

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
