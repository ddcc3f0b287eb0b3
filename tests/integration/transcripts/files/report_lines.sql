break on x skip 1
select 'script break' x from dual;
compute count of x on x
select 'script compute' x from dual;
timing start s
select 'script timing' x from dual;
pause
select 'script pause' x from dual;
clear breaks
select 'script clear' x from dual;
ttitle 'T'
select 'script ttitle' x from dual;
show user
select 'script show' x from dual;
list
select 'script list' x from dual;
start files/start_args five six
select 'script start' x from dual;
clear computes
clear timing
