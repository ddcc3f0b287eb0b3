set timing off
set serveroutput off
connect scott/tiger@binds
set screen on
variable
variable n number
variable name varchar2(10)
variable code char(4);
var big clob
var f binary_double
variable
variable n
variable missing
variable 1bad number
variable x varchar2(0)
variable x varchar2(40000)
variable x varchar2(10
variable x date
variable rc refcursor
variable rc
print n
exec :n := 6 * 7;
exec :name := 'it''s :n';
exec :code := 'ab';
print n name code
print :n missing
select :n + 1 as next_n from dual;
create table bt (id number, label varchar2(20));
insert into bt values (:n, :name);
insert into bt values (:n + 1, 'says :n -- no bind');
select id, label from bt order by id;
select id from bt where label = :name;
begin
  select count(*) into :n from bt where id >= :n;
  :name := 'rows: ' || :n;
end;
/
print n name
exec :name := 'this is far too long for ten';
print name
create or replace function twice(v number) return number is begin return v * 2; end;
/
exec :f := twice(21);
print f
exec :n := null;
print n
exec :n := 41;
variable n varchar2(5)
print n
exec :undeclared := 1;
print rc
exec :n := 42;
begin
  open :rc for select id, label from bt where id > :n order by id;
end;
/
exec :n := 0;
print n rc
print rc
create or replace procedure bt_rows(low number, c out sys_refcursor) as
begin
  open c for select id, label from bt where id > low order by id;
end;
/
exec bt_rows(42, :rc);
print rc
exec bt_rows(99, :rc);
print rc
drop procedure bt_rows;
exec open :rc for select count(*) as c from bt;
variable rc
print
select :rc from dual;
exit :f
connect scott/tiger@binds
drop table bt;
drop function twice;
exit
