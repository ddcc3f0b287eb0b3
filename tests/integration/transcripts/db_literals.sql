set timing off
set serveroutput off
connect scott/tiger@demo
set screen on
create table lit (a varchar2(60));
comment on table lit is 'Does not store addresses /
locations of customers.';
select substr(comments, 1, 40) c from user_tab_comments where table_name = 'LIT';
insert into lit values ('ends in a semicolon;
and goes on');
insert into lit values ('a -- b /* c');
select a "text;
here" from lit order by 1;
begin
  insert into lit values ('block /
line');
end;
/
select count(*) from lit;
@files/literals
select count(*) from lit;
rollback;
drop table lit;
create table wide (a varchar2(5 char), b varchar2(6), c number);
insert into wide values ('€€€', 'é', 1);
insert into wide values ('abcde', 'ab', 2);
select a, b, c from wide order by c;
drop table wide;
