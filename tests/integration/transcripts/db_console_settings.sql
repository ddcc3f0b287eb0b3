set timing off
set serveroutput off
connect scott/tiger@demo
set screen on
create table ac (n number, s varchar2(10));
set autocommit on
show autocommit
insert into ac values (1, 'a');
rollback;
select count(*) from ac;
set auto 2
show auto
insert into ac values (2, 'b');
insert into ac values (3, 'c"q');
insert into ac values (4, 'd');
rollback;
select count(*) from ac;
set autocommit off
begin insert into ac values (5, 'e'); end;
/
rollback;
set autocommit immediate
begin insert into ac values (6, 'f'); end;
/
insert into no_such values (1);
update ac set s = 'g' where n = 6;
set feedback off
insert into ac values (7, 'h');
set feedback on
set autocommit maybe
set autocommit off
insert into ac values (8, 'i');
exit
connect scott/tiger@demo
set screen on
select count(*) from ac;
set exitcommit off
show exitcommit
insert into ac values (9, 'j');
quit
connect scott/tiger@demo
set screen on
set exitcommit off
select count(*) from ac;
insert into ac values (10, 'k');
exit commit
connect scott/tiger@demo
set screen on
set exitcommit off
insert into ac values (11, 'l');
disconnect
connect scott/tiger@demo
select count(*) from ac;
set exitc on
insert into ac values (12, 'm');
disconnect
connect scott/tiger@demo
select count(*) from ac;
set sqlterminator ; sqlt on blockterminator off blo . errorlogging off colinvisible on fetchrows 100
set autoprint on doc off xmlopt off cmdsep ; lobpref 10
set sqlterminator off
set sqlterminator #
set blockterminator !
set errorl on
set markup csv on
select n, s, null z from ac where n < 4 order by n;
set markup csv on delimiter ; quote off
select n, s from ac where n < 4 order by n;
set markup csv on delimiter
set markup html on
set markup html off
set markup xml on
set heading off
select n, s from ac where n = 1;
set heading on markup csv off
select n, s from ac where n = 1;
drop table ac;
exit
