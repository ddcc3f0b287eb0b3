set timing off
set serveroutput off
connect scott/tiger@demo
set screen on
create table emp_r (deptno number(2), ename varchar2(10), sal number(7,2));
insert into emp_r values (10, 'CLARK', 2450);
insert into emp_r values (10, 'KING', 5000);
insert into emp_r values (20, 'ADAMS', 1100);
insert into emp_r values (20, 'FORD', 3000);
insert into emp_r values (20, 'SMITH', 800);
insert into emp_r values (30, 'ALLEN', null);
commit;
break on deptno skip 1
compute sum of sal on deptno
select deptno, ename, sal from emp_r order by deptno, ename;
break
compute
break on report on deptno
compute count label n avg of sal on report
compute max of sal on deptno
select deptno, ename, sal from emp_r order by deptno, ename;
break on deptno duplicates
select deptno, ename from emp_r where deptno = 10 order by ename;
clear breaks
clear computes
break
select deptno from emp_r where deptno = 10 order by ename;
break on deptno skip two
compute median of sal on deptno
break nosuch
drop table emp_r;
