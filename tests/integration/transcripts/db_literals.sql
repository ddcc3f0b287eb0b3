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
create table spans (id number, at timestamp with time zone, local_at timestamp with local time zone, dur interval day(3) to second(2), ym interval year to month);
insert into spans values (1, timestamp '2024-01-02 03:04:05 +02:00', timestamp '2024-01-02 03:04:05', interval '123 02:00:00.25' day(3) to second(2), interval '5-3' year to month);
select * from spans;
select cast(1.5 as binary_double) bd, cast(2 as binary_float) bf from dual;
drop table spans;
