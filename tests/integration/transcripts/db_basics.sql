set timing off
set serveroutput off
connect scott/tiger@demo
set screen on
create table t (a number(5,2), b varchar2(10));
insert into t values (1, 'one');
insert into t values (2.50, null);
insert into t values (0.5, 'half');
commit;
select a, b from t order by a;
select a, b, nosuch from t;
select a
from t
where x = 1;
update t set b = 'x';
rollback;
select b from t order by a;
select count(*) from t;
delete from t where a = 1
/
commit;
select * from t where 1 = 0;
drop table t;
select 1 n, null z, '' e from dual;
disconnect
