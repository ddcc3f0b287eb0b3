whenever sqlerror exit sql.sqlcode rollback
insert into wh values (10);
insert into wh values (11);
select n from wh order by n;
insert into no_such_table values (12);
insert into wh values (13);
prompt never shown
