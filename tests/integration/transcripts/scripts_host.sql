@files/spooling
host cat spooled.txt
spool spooled.txt create
spool spooled.txt sideways
@files/spool_more
host cat spooled.txt
@on_path
@no_such_script
!echo bang
host printf 'no line end'
host
spool a b c
