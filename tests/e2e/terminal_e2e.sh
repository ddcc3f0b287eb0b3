#!/usr/bin/env bash
# End-to-end tests of the terminal console. Interactive parts run `vantro` in a private
# tmux server (own socket) and type real keys; scripted parts pipe input into it and
# compare the output line by line with expected transcripts. Everything lives in a
# temporary folder (VANTRO_HOME included) that is removed at the end.
# Usage: terminal_e2e.sh path/to/vantro tests/e2e-folder
# Exit: 0 passed, 1 failed, 77 skipped (no tmux).
set -u
VANTRO=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
HERE=$(cd "$2" && pwd)
command -v tmux >/dev/null || { echo "tmux is not installed: skipped"; exit 77; }

WORK=$(mktemp -d)
export VANTRO_HOME=$WORK/home
export TMUX_TMPDIR=$WORK
unset TMUX
mkdir -p "$VANTRO_HOME"
# One tmux server per program start, each on its own socket, so that a new server never
# meets one that is still shutting down.
STARTS=0
T=(tmux -L "vantro-e2e-$$-0" -f /dev/null)
cleanup() {
    local n
    for ((n = 0; n <= STARTS; n++)); do tmux -L "vantro-e2e-$$-$n" kill-server >/dev/null 2>&1; done
    rm -rf "$WORK"
}
trap cleanup EXIT

HAVE_ENGINE=0
[ -e "$(dirname "$VANTRO")/libvantro_oci.so" ] && HAVE_ENGINE=1
PASSED=0
FAILED=0
SKIPPED=0
CURRENT=""

fail() {
    echo "FAIL [$CURRENT]: $*"
    echo "---- screen ----"
    screen_text
    echo "----------------"
    FAILED=$((FAILED + 1))
    return 1
}
begin() { CURRENT=$1; }
pass() {
    echo "ok   [$CURRENT]"
    PASSED=$((PASSED + 1))
}
skip() {
    echo "skip [$1]: needs the embedded engine beside the executable"
    SKIPPED=$((SKIPPED + 1))
}

# ---- tmux helpers ----------------------------------------------------------------
start_vantro() {   # arguments for vantro
    "${T[@]}" kill-server >/dev/null 2>&1
    STARTS=$((STARTS + 1))
    T=(tmux -L "vantro-e2e-$$-$STARTS" -f /dev/null)
    local command="cd '$WORK' && VANTRO_HOME='$VANTRO_HOME' '$VANTRO'"
    for a in "$@"; do command+=" '$a'"; done
    command+="; echo \"[exit \$?]\"; sleep 30"
    "${T[@]}" new-session -d -x 80 -y 24 "$command"
    "${T[@]}" set-option -g status off >/dev/null
}
screen_text() { "${T[@]}" capture-pane -p -S -200 2>/dev/null | sed -e 's/[[:space:]]*$//'; }
# Types text literally (tmux takes a trailing ';' for a command separator unless escaped).
type_text() { "${T[@]}" send-keys -l "${1//;/\\;}"; }
keys() { "${T[@]}" send-keys "$@"; }
# Waits until the screen matches the extended regular expression (5 s, or $2 s).
wait_for() {
    local limit=$(( ${2:-5} * 20 )) i
    for ((i = 0; i < limit; i++)); do
        screen_text | grep -Eq -- "$1" && return 0
        sleep 0.05
    done
    fail "timed out waiting for /$1/"
}
cursor() { "${T[@]}" display -p '#{cursor_x},#{cursor_y}'; }
screen_lacks() { ! screen_text | grep -Eq -- "$1" || fail "unexpected /$1/ on the screen"; }
# Waits until the last non-empty line of the screen matches (the input being typed).
wait_last() {
    local i
    for ((i = 0; i < 100; i++)); do
        screen_text | grep -v '^$' | tail -1 | grep -Eq -- "$1" && return 0
        sleep 0.05
    done
    fail "timed out waiting for a last line /$1/"
}
visible_text() { "${T[@]}" capture-pane -p 2>/dev/null | sed -e 's/[[:space:]]*$//'; }
line_at() { screen_text | sed -n "$(( $1 + 1 ))p"; }

# ---- command line -----------------------------------------------------------------
begin "help and version"
if "$VANTRO" --help | grep -q "Usage: vantro" && "$VANTRO" --help | grep -q "tune HINT" &&
   "$VANTRO" --help | grep -q "sql.sqlcode" && "$VANTRO" --help | grep -q "ddl \[owner.\]object" &&
   "$VANTRO" --help | grep -q "Alt+Right" &&
   "$VANTRO" --version | grep -q "^Vantro version"; then
    pass
else
    fail "--help or --version"
fi

# ---- scripted mode -----------------------------------------------------------------
# Timings vary from run to run; trailing blanks are not part of a row's meaning.
# The library line depends on what is built beside the executable.
normalise() { sed -e 's/([0-9]* ms)/(T ms)/' -e 's/[[:space:]]*$//' -e '/^OCI: /d'; }
compare_transcript() {   # name, actual file
    if diff -u "$HERE/transcripts/$1.out" <(normalise < "$2") > "$WORK/diff"; then
        pass
    else
        fail "transcript $1 differs:"; cat "$WORK/diff"
    fi
}

begin "scripted, not connected"
printf 'set timing on\nselect 1 from dual;\nexit\nselect 2 from dual;\n' | "$VANTRO" > "$WORK/out" 2>&1
status=$?
if [ $status -ne 0 ]; then fail "exit status $status without a connect string"; else compare_transcript not_connected "$WORK/out"; fi

begin "scripted, failed start-up connect gives a non-zero status"
printf 'select 1 from dual;\n' | "$VANTRO" "scott/tiger@e2e as nomode" > "$WORK/out" 2>&1
[ $? -ne 0 ] && pass || fail "exit status 0 after a failed connect"

if [ $HAVE_ENGINE = 1 ]; then
    begin "scripted, connected, end of input ends the program"
    printf 'create table big (n number);\n' > "$WORK/setup"
    for i in 0 1 2 3 4 5 6 7 8 9; do printf 'insert into big values (%d);\n' $i >> "$WORK/setup"; done
    printf 'commit;\n' >> "$WORK/setup"
    "$VANTRO" scott/tiger@e2e < "$WORK/setup" > "$WORK/out" 2>&1 || fail "setup exit status $?"
    printf "select count(*) from big;\nselect 'caf\xc3\xa9 \xe2\x82\xac' x from dual;\n" \
        | "$VANTRO" scott/tiger@e2e > "$WORK/out" 2>&1
    status=$?
    [ $status -eq 0 ] || fail "exit status $status"
    grep -q "^10" "$WORK/out" && grep -q $'caf\xc3\xa9 \xe2\x82\xac' "$WORK/out" && pass || fail "query output missing: $(cat "$WORK/out")"

    begin "scripted, remaining arguments run as one line"
    printf 'select n from big where n = 7;\n' > "$WORK/seven.sql"
    ( cd "$WORK" && "$VANTRO" scott/tiger@e2e select n from big where n '=' 3';' < /dev/null > "$WORK/out" 2>&1 )
    grep -q "^3" "$WORK/out" && pass || fail "the command line statement did not run: $(cat "$WORK/out")"

    begin "scripted, -s prints only what the statements print; /nolog and -l"
    printf 'select n from big where n = 4;\nbegin\n  null;\nend;\n/\n' \
        | "$VANTRO" -s scott/tiger@e2e > "$WORK/out" 2>&1
    printf 'connect scott/tiger@e2e\nselect n from big where n = 5;\n' | "$VANTRO" -S /nolog > "$WORK/out2" 2>&1
    nolog=$?
    printf 'select 1 from dual;\n' | "$VANTRO" -s -l scott/wrong@e2e > "$WORK/out3" 2>&1
    once=$?
    if grep -q "^4" "$WORK/out" && ! grep -q -e "SQL>" -e "Vantro version" -e "Connected" -e "begin" "$WORK/out" &&
        grep -q "^5" "$WORK/out2" && ! grep -q "SQL>" "$WORK/out2" && [ $nolog -eq 0 ] &&
        [ $once -eq 1 ] && grep -q "ORA-01017" "$WORK/out3" && ! grep -q "^1" "$WORK/out3"; then
        pass
    else
        fail "silent output: $(cat "$WORK/out" "$WORK/out2" "$WORK/out3"), statuses $nolog $once"
    fi

    begin "exit status: whenever sqlerror exit sql.sqlcode, piped and as a command-line script"
    printf 'whenever sqlerror exit sql.sqlcode rollback\ninsert into big values (100);\nselect * from no_such;\nselect 1 from dual;\n' \
        > "$WORK/fails.sql"
    "$VANTRO" scott/tiger@e2e < "$WORK/fails.sql" > "$WORK/out" 2>&1
    piped=$?
    ( cd "$WORK" && "$VANTRO" scott/tiger@e2e @fails < /dev/null > "$WORK/out2" 2>&1 )
    script=$?
    printf 'select count(*) from big where n = 100;\nexit 3\nselect 2 from dual;\n' | "$VANTRO" scott/tiger@e2e > "$WORK/out3" 2>&1
    counted=$?
    # ORA-00942 modulo 256 is 174; the insert was rolled back; nothing after exit ran.
    if [ $piped -eq 174 ] && [ $script -eq 174 ] && [ $counted -eq 3 ] && grep -q '^0' "$WORK/out3" &&
       ! grep -q '^2' "$WORK/out3" && ! grep -q '^1 row selected' "$WORK/out"; then
        pass
    else
        fail "statuses piped=$piped script=$script counted=$counted: $(cat "$WORK/out" "$WORK/out3")"
    fi

    begin "piped input runs as a script: substitution, exec ending with its line"
    printf '%s\n' 'define d = 30' 'prompt dept &d' 'set serveroutput on' "exec dbms_output.put_line('run ' || &d)" \
        'prompt after exec' 'prompt [&asked]' 'given' 'set scan off' 'prompt kept &d' > "$WORK/subst.sql"
    "$VANTRO" -s scott/tiger@e2e < "$WORK/subst.sql" > "$WORK/out" 2>&1
    # The SET SCAN OFF of that input ended with it: the next run substitutes again.
    printf 'define d = 1\nprompt again &d\n' | "$VANTRO" -s scott/tiger@e2e > "$WORK/out2" 2>&1
    if grep -qx 'dept 30' "$WORK/out" && grep -qx 'run 30' "$WORK/out" && grep -qx 'after exec' "$WORK/out" &&
       grep -q '\[given\]$' "$WORK/out" && grep -qx 'kept &d' "$WORK/out" && ! grep -q '^ORA-\|^PLS-' "$WORK/out" &&
       grep -qx 'again 1' "$WORK/out2"; then
        pass
    else
        fail "piped script: $(cat "$WORK/out" "$WORK/out2")"
    fi
else
    skip "scripted, connected"
fi

begin "scripted, input lines split at LF and CR LF, a NUL byte refused, a long line, a last line without end"
long=$(head -c 70000 /dev/zero | tr '\0' 'x')
{ printf 'prompt one\r\nprompt two\nprompt th\0ree\nprompt %s\n' "$long"; printf 'prompt last'; } \
    | "$VANTRO" > "$WORK/out" 2>&1
got=$(grep -v '^SQL>' "$WORK/out" | sed -e '/^Vantro version/d' -e '/^OCI: /d' | awk '{ print length($0) ":" substr($0, 1, 4) }' | tr '\n' ' ')
[ "$got" = "3:one 3:two 48:Erro 70000:xxxx 4:last " ] &&
    grep -q '^Error: the line holds a NUL byte and was not run$' "$WORK/out" && pass || fail "lines read: $got"

if [ $HAVE_ENGINE = 1 ]; then
    begin "scripted, a spool file on a full device is reported and closed"
    printf 'spool /dev/full\nselect n from big a, big b, big c, big d;\nspool off\nprompt after\n' \
        | "$VANTRO" scott/tiger@e2e > "$WORK/out" 2>&1
    [ "$(grep -c '^Writing the spool file failed, spooling stopped: ' "$WORK/out")" = 1 ] &&
        grep -q '^Not currently spooling' "$WORK/out" && grep -q '^after' "$WORK/out" && pass ||
        fail "spool failure: $(grep -v '^[0-9]' "$WORK/out")"

    begin "scripted, a line request at the end of the input ends the request and the script"
    printf 'prompt &undefined_var\nprompt after\n' > "$WORK/asks.sql"
    printf 'accept x number default abc\n' | timeout 20 "$VANTRO" scott/tiger@e2e > "$WORK/out" 2>&1
    accept_rc=$?
    printf '@%s/asks.sql\n' "$WORK" | timeout 20 "$VANTRO" scott/tiger@e2e > "$WORK/out2" 2>&1
    script_rc=$?
    printf 'connect scott\n' | timeout 20 "$VANTRO" > "$WORK/out3" 2>&1
    connect_rc=$?
    [ $accept_rc = 0 ] && [ "$(wc -c < "$WORK/out")" -lt 2000 ] && [ $script_rc = 0 ] &&
        grep -q '^Enter value for undefined_var: ' "$WORK/out2" && ! grep -q '^after' "$WORK/out2" &&
        [ $connect_rc = 0 ] && grep -q '^No password given: the input has ended' "$WORK/out3" &&
        ! grep -q '^Connected' "$WORK/out3" && pass ||
        fail "accept $accept_rc ($(wc -c < "$WORK/out") bytes), script $script_rc: $(tail -3 "$WORK/out2"), connect $connect_rc: $(tail -2 "$WORK/out3")"

    begin "scripted, a connect line is shown without its password"
    printf 'connect scott/tiger@e2e\nselect 5 from dual;\nconn scott/wr0ngpw@e2e\nprompt after\n' \
        | timeout 20 "$VANTRO" scott/tiger@e2e > "$WORK/out" 2>&1
    ! grep -q 'tiger\|wr0ngpw' "$WORK/out" && grep -q '^SQL> connect scott@e2e$' "$WORK/out" &&
        grep -q '^SQL> select 5 from dual;$' "$WORK/out" && grep -q '^SQL> conn scott@e2e$' "$WORK/out" &&
        grep -q '^SQL> prompt after$' "$WORK/out" && pass || fail "connect shown as: $(grep -i conn "$WORK/out")"

    begin "scripted, every row reaches a slow reader once, whatever maxlines"
    printf 'set maxlines 5\nset maxlines 100\nselect a.n*1000+b.n*100+c.n*10+d.n k from big a, big b, big c, big d;\n' \
        | "$VANTRO" scott/tiger@e2e 2>&1 | { sleep 2; cat; } > "$WORK/out"
    rows=$(grep -cE '^ *[0-9]+ *$' "$WORK/out")
    distinct=$(grep -E '^ *[0-9]+ *$' "$WORK/out" | sort -u | wc -l)
    [ "$rows" = 10000 ] && [ "$distinct" = 10000 ] && grep -q '^10000 rows selected' "$WORK/out" &&
        grep -q '^Usage: set maxlines n (n at least 100)' "$WORK/out" && pass ||
        fail "rows written: $rows ($distinct distinct)"

    begin "scripted, termination during a spooled query ends in order with whole rows spooled"
    printf 'spool %s/term.lst\nselect a.n from big a, big b, big c, big d, big e, big f;\n' "$WORK" > "$WORK/term.sql"
    { cat "$WORK/term.sql"; sleep 30; } | "$VANTRO" scott/tiger@e2e > "$WORK/out" 2>&1 &
    pid=$!
    for ((i = 0; i < 100; i++)); do [ -s "$WORK/term.lst" ] && break; sleep 0.1; done
    sleep 0.5
    kill -TERM $(pgrep -P $pid vantro || true) 2>/dev/null
    for ((i = 0; i < 100; i++)); do pgrep -P $pid vantro >/dev/null || break; sleep 0.1; done
    kill $pid 2>/dev/null; wait $pid 2>/dev/null
    # The statement was cancelled and the spool got everything up to its feedback line.
    grep -q 'rows selected' "$WORK/term.lst" && [ "$(wc -l < "$WORK/term.lst")" -gt 100 ] &&
        pass || fail "spool after termination: $(wc -c < "$WORK/term.lst") bytes, ends $(tail -c 80 "$WORK/term.lst")"
fi

# ---- interactive ------------------------------------------------------------------
begin "logon with hidden password"
start_vantro
wait_for "^Username:" || true
type_text scott; keys Enter
wait_for "^Password:" || true
type_text tiger; keys Enter
wait_for "^Password: \*\*\*\*\*$" || true
screen_lacks "tiger" && pass
keys Enter   # database: the recent one or none
if [ $HAVE_ENGINE = 1 ]; then
    begin "logon connects and shows the prompt"
    wait_for "^SQL>" 10 && pass
else
    # Without a database the logon asks again; an empty user name ends the program.
    begin "failed logon asks again, empty user name ends"
    wait_for "Username:.*" 10 || true
    keys C-u Enter
    wait_for "\[exit 0\]" && pass
fi

# The editing tests need a prompt, which the logon gives only with a database.
if [ $HAVE_ENGINE = 0 ]; then
    skip "interactive editing"
    echo "$PASSED passed, $FAILED failed, $SKIPPED skipped"
    [ $FAILED -eq 0 ]
    exit
fi

start_vantro scott/tiger@e2e
wait_for "^SQL>$" 10 || true

begin "multi-line statement with continuation numbers"
type_text "select 'a'"; keys Enter
type_text "from dual"; keys Enter
wait_for "^  +3 *$" && screen_text | grep -Eq "^  +2 from dual$" && pass || fail "continuation rows"
keys C-c
wait_for "\^C" || true

begin "Alt+Enter in the middle of the input splits the line"
type_text "abc def"; keys Left Left Left M-Enter
wait_for "^SQL> abc$" && wait_for "^  +2 def$" && pass
keys C-c

begin "Enter in the middle of the input runs the whole statement"
type_text "select 5 from dual;"; keys Left Left Left Left Enter
wait_for "^5$" && pass

begin "Up and Down move between the lines of the input"
type_text "first line"; keys M-Enter
type_text "second"; keys Home Up
type_text "X"
keys Down End
type_text "Y"
wait_for "^SQL> Xfirst line$" && wait_for "^  +2 secondY$" && pass
keys C-c

begin "Backspace and Delete keep UTF-8 characters whole"
type_text "x€éz"; keys BSpace Left Left DC
wait_for "^SQL> xé$" && pass
keys C-c

begin "Ctrl+C on an idle input clears it"
type_text "garbage"; keys C-c
wait_for "^SQL> garbage\^C$" && [ "$(screen_text | grep -v '^$' | tail -1)" = "SQL>" ] && pass || fail "no fresh prompt"

begin "resize keeps the input on one line, scrolled to keep the cursor in view"
"${T[@]}" resize-window -x 30 -y 20 >/dev/null 2>&1
type_text "0123456789012345678901234567890123456789"
wait_last "^<.*3456789$" && [ "$(screen_text | grep -v '^$' | tail -1 | wc -m)" -le 31 ] &&
    [ "$(cursor | cut -d, -f1)" -lt 30 ] && pass || fail "input line not scrolled"
keys C-c
"${T[@]}" resize-window -x 80 -y 24 >/dev/null 2>&1

begin "wide rows: one screen line each, Alt keys move sideways to the far columns"
# The window is 80 columns again before the wide rows come.
"${T[@]}" resize-window -x 80 -y 24 >/dev/null 2>&1
for ((i = 0; i < 100; i++)); do [ "$("${T[@]}" display -p '#{window_width}')" = 80 ] && break; sleep 0.05; done
type_text "create table wide_t (id number, label varchar2(20), far_away_column varchar2(10));"; keys Enter
wait_for "table WIDE_T created" || true
type_text "desc wide_t"; keys Enter
# The heading, its dashes and the first row are three consecutive screen lines, each cut
# with the mark in the last column (the dictionary's names are 128 wide, so the first
# screen holds the name column only).
rows_cut() {
    visible_text | grep -A2 "^COLUMN_NAME" | tr '\n' '|' |
        grep -Eq "^COLUMN_NAME +>[|]-+>[|]ID +>[|]" &&
        [ "$(visible_text | awk 'length($0) > 80' | wc -l)" -eq 0 ] && ! visible_text | grep -q "NULLABLE"
}
for ((i = 0; i < 100; i++)); do rows_cut && break; sleep 0.05; done
if rows_cut; then
    keys M-Right
    wait_for "^<LUMN_NAME +>" || true
    for ((n = 0; n < 8; n++)); do
        visible_text | grep -q "NULLABLE" && break
        keys M-PageDown; sleep 0.3
    done
    visible_text | grep -q "^<.*NULLABLE" && keys M-Home &&
        for ((i = 0; i < 100; i++)); do visible_text | grep -Eq "^ID +>$" && break; sleep 0.05; done &&
        visible_text | grep -Eq "^ID +>$" && pass || fail "far columns or the way back"
else
    fail "rows not cut at the width; visible: $(visible_text | tail -8)"
fi

begin "copy puts the rows on the clipboard through OSC 52"
"${T[@]}" set-option -g set-clipboard on >/dev/null
"${T[@]}" delete-buffer >/dev/null 2>&1
type_text "select n, 'v' || n v from big where n < 2 order by n;"; keys Enter
wait_for "^2 rows selected" || true
type_text "copy"; keys Enter
wait_for "^2 rows copied to the clipboard$" &&
    [ "$("${T[@]}" show-buffer 2>/dev/null | tr -d '\r' | tr -s ' ')" = "$(printf '0 v0\n1 v1')" ] && pass ||
    fail "clipboard holds: $("${T[@]}" show-buffer 2>&1 | od -c | head -3)"

begin "query rows print in the console"
type_text "select n from big where n = 4;"; keys Enter
wait_for "^1 row selected" && pass

begin "Tab lists completions below the input; Down and Enter insert one"
type_text "alter t"; keys Tab
wait_for "^  > table$" && wait_for "^    tablespace$" || true
keys Down Enter
wait_last "^SQL> alter tablespace$" && screen_lacks "^    trigger$" && pass
keys C-c

begin "Tab with one match inserts it at once"
type_text "select * from big b where b."; keys Tab
wait_last "^SQL> select \* from big b where b\.n$" && pass
keys C-c

begin "history recall with Up and Down at the end of the input"
type_text "select 11 from dual;"; keys Enter
wait_for "^11$" || true
type_text "select 12 from dual;"; keys Enter
wait_for "^12$" || true
keys Up Up
wait_last "^SQL> select 11 from dual;$" && keys Down && wait_last "^SQL> select 12 from dual;$" && pass
keys C-c

begin "Ctrl+C cancels a long query"
type_text "select count(*) from big a, big b, big c, big d, big e, big f, big g, big h, big i, big j;"
keys Enter
sleep 1
keys C-c
wait_for "ORA-01013" 10 && wait_for "^SQL>$" && pass

begin "Ctrl+D on an empty input ends the program"
keys C-d
wait_for "\[exit 0\]" && pass

echo "$PASSED passed, $FAILED failed, $SKIPPED skipped"
[ $FAILED -eq 0 ]
