set echo on
set define off
select 'Tom & Jerry' x from dual;
set define on
define who=World
select 'Hello &who' x from dual;
set define ^
select 'A ^who & B' x from dual;
set define & concat on
select '&who.ly' x from dual;
set feedback 3
select 1 n from dual;
set feedback on
column n new_value total noprint
column s format a10 heading 'S'
select count(*) n, 'shown' s from dual;
prompt total is &total
set sqlblanklines on
select 2 m

from dual;
set sqlprompt "TEST> "
select 3 v from dual;
