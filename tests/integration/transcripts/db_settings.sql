set timing off
set serveroutput off
connect scott/tiger@demo
set screen on
set linesize 80 pagesize 100 trimspool on tab off numwidth 10 newpage 0 colsep ',' null ''
set nosuch on echo maybe
set lin
set feedback 1 heading on verify on
@files/settings
select 'after' x from dual;
