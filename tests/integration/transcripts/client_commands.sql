prompt  Hello  'x'
set tim off
-- a comment is discarded
rem so is this
/* a comment
over lines */
column ename format a10
set feedback yes
set s on
show par
select * from dual
;
