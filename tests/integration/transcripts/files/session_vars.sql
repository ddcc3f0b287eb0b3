set verify off
select '&_user' u, '&_connect_identifier' db, '[&_privilege]' p, length('&_date') dl, '&_o_release' r from dual;
set verify on
define _user = mine
select '&_user' u from dual;
undefine _user
select '&_User' u from dual;
