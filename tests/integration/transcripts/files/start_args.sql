select '&1' a, '&2' b from dual;
