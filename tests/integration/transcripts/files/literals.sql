insert into lit values ('from a script /
second line;
third line');
select a from lit where a like 'from%';
