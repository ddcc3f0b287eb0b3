-- The demo schema: the classic department and employee tables with their rows, and one
-- of every kind of object the console can show (view, sequence, synonyms, indexes,
-- constraints, trigger, procedure, function, package, and a procedure that does not
-- compile). The console runs it by itself the first time a session opens on the embedded
-- database "demo"; to fill another database with it: vantro demo/demo@other @demo.sql

create table dept (
  deptno number(2) constraint pk_dept primary key,
  dname  varchar2(14),
  loc    varchar2(13)
);

create table emp (
  empno    number(4) constraint pk_emp primary key,
  ename    varchar2(10),
  job      varchar2(9),
  mgr      number(4),
  hiredate date,
  sal      number(7,2),
  comm     number(7,2),
  deptno   number(2) constraint fk_deptno references dept
);

create table bonus (
  ename varchar2(10),
  job   varchar2(9),
  sal   number,
  comm  number
);

create table salgrade (
  grade number,
  losal number,
  hisal number
);

insert into dept values (10, 'ACCOUNTING', 'NEW YORK');
insert into dept values (20, 'RESEARCH', 'DALLAS');
insert into dept values (30, 'SALES', 'CHICAGO');
insert into dept values (40, 'OPERATIONS', 'BOSTON');

insert into emp values (7369, 'SMITH', 'CLERK', 7902, to_date('17-12-1980', 'dd-mm-yyyy'), 800, null, 20);
insert into emp values (7499, 'ALLEN', 'SALESMAN', 7698, to_date('20-02-1981', 'dd-mm-yyyy'), 1600, 300, 30);
insert into emp values (7521, 'WARD', 'SALESMAN', 7698, to_date('22-02-1981', 'dd-mm-yyyy'), 1250, 500, 30);
insert into emp values (7566, 'JONES', 'MANAGER', 7839, to_date('02-04-1981', 'dd-mm-yyyy'), 2975, null, 20);
insert into emp values (7654, 'MARTIN', 'SALESMAN', 7698, to_date('28-09-1981', 'dd-mm-yyyy'), 1250, 1400, 30);
insert into emp values (7698, 'BLAKE', 'MANAGER', 7839, to_date('01-05-1981', 'dd-mm-yyyy'), 2850, null, 30);
insert into emp values (7782, 'CLARK', 'MANAGER', 7839, to_date('09-06-1981', 'dd-mm-yyyy'), 2450, null, 10);
insert into emp values (7788, 'SCOTT', 'ANALYST', 7566, to_date('19-04-1987', 'dd-mm-yyyy'), 3000, null, 20);
insert into emp values (7839, 'KING', 'PRESIDENT', null, to_date('17-11-1981', 'dd-mm-yyyy'), 5000, null, 10);
insert into emp values (7844, 'TURNER', 'SALESMAN', 7698, to_date('08-09-1981', 'dd-mm-yyyy'), 1500, 0, 30);
insert into emp values (7876, 'ADAMS', 'CLERK', 7788, to_date('23-05-1987', 'dd-mm-yyyy'), 1100, null, 20);
insert into emp values (7900, 'JAMES', 'CLERK', 7698, to_date('03-12-1981', 'dd-mm-yyyy'), 950, null, 30);
insert into emp values (7902, 'FORD', 'ANALYST', 7566, to_date('03-12-1981', 'dd-mm-yyyy'), 3000, null, 20);
insert into emp values (7934, 'MILLER', 'CLERK', 7782, to_date('23-01-1982', 'dd-mm-yyyy'), 1300, null, 10);

insert into salgrade values (1, 700, 1200);
insert into salgrade values (2, 1201, 1400);
insert into salgrade values (3, 1401, 2000);
insert into salgrade values (4, 2001, 3000);
insert into salgrade values (5, 3001, 9999);

commit;

-- Constraints of every type, named and system-named.
alter table emp add constraint ck_emp_sal check (sal > 0);
alter table emp modify ename not null;
alter table dept add unique (dname);
alter table salgrade add constraint uk_salgrade unique (grade);

-- Indexes: unique, reverse, composite.
create unique index ix_emp_ename_job on emp (ename, job);
create index ix_emp_mgr on emp (mgr) reverse;
create index ix_emp_dept_job on emp (deptno, job);

create or replace view emp_dept as
  select e.empno, e.ename, e.job, d.dname, d.loc
    from emp e, dept d
   where e.deptno = d.deptno;

create sequence emp_seq start with 8000 increment by 1 nocache;

create synonym employees for emp;
create public synonym departments for dept;

comment on table emp is 'Employees of the demo company';
comment on column emp.sal is 'Monthly salary';

create or replace trigger emp_hiredate
  before insert on emp
  for each row
  when (new.hiredate is null)
begin
  :new.hiredate := sysdate;
end;
/

create or replace procedure raise_salary(p_empno in number, p_percent in number default 10) is
begin
  update emp set sal = sal * (1 + p_percent / 100) where empno = p_empno;
end;
/

create or replace function department_total(p_deptno in number) return number is
  total number;
begin
  select sum(sal) into total from emp where deptno = p_deptno;
  return nvl(total, 0);
end;
/

create or replace package emp_admin is
  procedure hire(p_ename in varchar2, p_job in varchar2, p_deptno in number);
  procedure hire(p_ename in varchar2, p_deptno in number);
  function headcount(p_deptno in number) return number;
end emp_admin;
/

create or replace package body emp_admin is
  procedure hire(p_ename in varchar2, p_job in varchar2, p_deptno in number) is
  begin
    insert into emp (empno, ename, job, deptno, hiredate, sal)
    values (emp_seq.nextval, p_ename, p_job, p_deptno, sysdate, 1000);
  end hire;

  procedure hire(p_ename in varchar2, p_deptno in number) is
  begin
    hire(p_ename, 'CLERK', p_deptno);
  end hire;

  function headcount(p_deptno in number) return number is
    n number;
  begin
    select count(*) into n from emp where deptno = p_deptno;
    return n;
  end headcount;
end emp_admin;
/

-- This one does not compile: show errors lists what is wrong with it.
create or replace procedure broken_procedure is
begin
  update no_such_table set x = 1;
  missing_call(;
end;
/
