spool spooled.txt append
prompt appended line
spool off
