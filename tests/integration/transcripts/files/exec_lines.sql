variable n number
exec :n := 41
exec :n := :n + -
  1
print n
exec :n := 7;
print n
