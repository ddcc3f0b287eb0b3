spool spooled.txt
prompt first line
spool off
