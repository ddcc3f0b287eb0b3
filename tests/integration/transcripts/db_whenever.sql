set timing off
set serveroutput off
connect scott/tiger@demo
set screen on
create table wh (n number);
insert into wh values (1);
commit;
whenever sqlerror
whenever sqlerror exit 3 maybe
whenever oserror continue none
whenever sqlerror continue rollback
insert into wh values (2);
select * from no_such_table;
select count(*) from wh;
exit 256 commit now
@files/half_way
connect scott/tiger@demo
set screen on
select n from wh order by n;
@files/missing_file
whenever oserror exit failure
@files/missing_file
connect scott/tiger@demo
define rc=7
exit &rc
connect scott/tiger@demo
quit warning rollback
connect scott/tiger@demo
drop table wh;
exit
