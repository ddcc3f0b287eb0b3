-- Objects beyond the demo schema that the DDL writers must cover: storage clauses,
-- defaults, every NUMBER form, named and system-named keys with delete rules, bitmap
-- and composite reverse indexes, a cycling sequence, a view with a column list, a
-- trigger without a WHEN clause, and an object type with its body.
create table ddl_kinds (
  id      number(6) not null,
  code    varchar2(8) default 'NEW' not null,
  amount  number(7,2) default 0,
  whole   integer,
  ratio   number,
  created date default sysdate,
  flag    char(1),
  note    nvarchar2(20),
  raw_id  raw(16),
  measure float(10),
  reading float,
  constraint pk_ddl_kinds primary key (id),
  constraint uk_ddl_kinds unique (code, flag),
  constraint ck_ddl_amount check (amount >= 0),
  check (flag in ('Y', 'N'))
) pctfree 20 initrans 2 storage (initial 65536 next 131072);

comment on table ddl_kinds is 'Every kind of column';
comment on column ddl_kinds.code is 'Short code';

create table ddl_child (
  child_id number(6) primary key,
  kind_id  number(6) constraint fk_child_kind references ddl_kinds on delete cascade,
  code     varchar2(8),
  flag     char(1),
  foreign key (code, flag) references ddl_kinds (code, flag) on delete set null
);

create bitmap index ix_child_flag on ddl_child (flag);
create index ix_child_code_kind on ddl_child (code, kind_id) reverse;

create sequence ddl_seq minvalue 5 maxvalue 1000 increment by 5 cycle cache 20 start with 10;

create or replace view ddl_totals (kind, total) as
  select code, sum(amount) from ddl_kinds group by code;

create or replace trigger ddl_child_code
  before insert on ddl_child
  for each row
begin
  :new.code := upper(:new.code);
end;
/

create or replace type ddl_point as object (
  x number,
  y number,
  member function norm return number
);
/

create or replace type body ddl_point as
  member function norm return number is
  begin
    return x * x + y * y;
  end;
end;
/
