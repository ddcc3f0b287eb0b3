set timing off
connect scott/tiger@plsql
set serveroutput on
begin
  dbms_output.put_line('first line');
  dbms_output.put_line('second line');
end;
/
create or replace procedure broken is
begin
  missing_call(1);
end;
/
create or replace procedure works(p in number) is
begin
  dbms_output.put_line('got ' || p);
end;
/
exec works(1.50);
exec works(2)
;
begin
  raise_application_error(-20001, 'stopped here');
end;
/
disconnect
