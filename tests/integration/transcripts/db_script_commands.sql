set timing off
set serveroutput off
show user
connect scott/tiger@demo;
set screen on
show user
select 'after show' x from dual;
show linesize
show timing serveroutput
select 'after show option' x from dual;
show nosuch
show sga
start files/start_args one two
select 'after start' x from dual;
sta files/start_args three four
@files/session_vars
@files/exec_lines
timing start t1
select 'after timing' x from dual;
timing
clear timing
timing stop
select 'after timing stop' x from dual;
pause Press Enter
select 'after pause' x from dual;
ttitle 'Report' center
select 'after ttitle' x from dual;
btitle off
repheader on
repfooter 'End'
ttitle
select 'after titles' x from dual;
select 1 n
from dual;
list
l
clear buffer
list
select 'after clear buffer' x from dual;
clear columns
clear screen
clear sql
clear nosuch
@files/report_lines
select 'the end' x from dual;
