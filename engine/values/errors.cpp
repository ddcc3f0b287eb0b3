// Oracle error texts (classic wording) and the SQLite-to-Oracle error mapping.
#include "values/errors.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct MessageEntry {
    int code;
    const char* text;
};

const MessageEntry kMessages[] = {
    {1, "unique constraint (%s) violated"},
    {900, "invalid SQL statement"},
    {904, "%s: invalid identifier"},
    {905, "missing keyword"},
    {906, "missing left parenthesis"},
    {907, "missing right parenthesis"},
    {911, "invalid character"},
    {917, "missing comma"},
    {918, "column ambiguously defined"},
    {920, "invalid relational operator"},
    {921, "unexpected end of SQL command"},
    {922, "missing or invalid option"},
    {923, "FROM keyword not found where expected"},
    {926, "missing VALUES keyword"},
    {933, "SQL command not properly ended"},
    {931, "missing identifier"},
    {936, "missing expression"},
    {937, "not a single-group group function"},
    {939, "too many arguments for function"},
    {942, "table or view does not exist"},
    {947, "not enough values"},
    {913, "too many values"},
    {955, "name is already used by an existing object"},
    {957, "duplicate column name"},
    {978, "nested group function without GROUP BY"},
    {979, "not a GROUP BY expression"},
    {1002, "fetch out of sequence"},
    {1013, "user requested cancel of current operation"},
    {1017, "invalid username/password; logon denied"},
    {1031, "insufficient privileges"},
    {1045, "user %s lacks CREATE SESSION privilege; logon denied"},
    {1086, "savepoint '%s' never established in this session or is invalid"},
    {1400, "cannot insert NULL into (%s)"},
    {1407, "cannot update (%s) to NULL"},
    {1403, "no data found"},
    {2266, "unique/primary keys in table referenced by enabled foreign keys"},
    {998, "must name this expression with a column alias"},
    {1723, "zero-length columns are not allowed"},
    {1422, "exact fetch returns more than requested number of rows"},
    {1405, "fetched column value is NULL"},
    {1406, "fetched column value was truncated"},
    {1418, "specified index does not exist"},
    {1427, "single-row subquery returns more than one row"},
    {1438, "value larger than specified precision allowed for this column"},
    {1476, "divisor is equal to zero"},
    {1007, "variable not in select list"},
    {2449, "unique/primary keys in table referenced by foreign keys"},
    {1758, "table must be empty to add mandatory (NOT NULL) column"},
    {4002, "INCREMENT must be a non-zero integer"},
    {1792, "maximum number of columns in a table or view is 1000"},
    {40441, "JSON syntax error"},
    {40442, "JSON path expression syntax error"},
    {40449, "invalid data type for return value"},
    {40454, "path expression not a literal"},
    {40456, "JSON_VALUE evaluated to non-scalar value"},
    {40462, "JSON_VALUE evaluated to no value"},
    {40470, "JSON_VALUE evaluated to multiple values"},
    {40478, "output value too large (maximum: %s)"},
    {19206, "Invalid value for query or REF CURSOR parameter"},
    {19208, "parameter %s of function %s must be aliased"},
    {31011, "XML parsing failed%s"},
    {31013, "Invalid XPATH expression"},
    {31600, "invalid input value %s for parameter %s in function %s"},
    {31603, "object \"%s\" of type %s not found in schema \"%s\""},
    {31608, "object of type %s not found"},
    {19228, "XPST0008 - undeclared identifier: prefix '%s' local-name '%s'"},
    {19102, "XQuery string literal expected"},
    {19202, "Error occurred in XML processing%s"},
    {19025, "EXTRACTVALUE returns value of only one node"},
    {19032, "Expected XML tag %s got %s"},
    {19279, "XPTY0004 - XQuery dynamic type mismatch: expected singleton sequence - got multi-item sequence"},
    {19011, "Character string buffer too small"},
    {40480, "result cannot be returned without array wrapper"},
    {4004, "MINVALUE must be less than MAXVALUE"},
    {4006, "START WITH cannot be less than MINVALUE"},
    {4008, "START WITH cannot be more than MAXVALUE"},
    {4010, "the number of values to CACHE must be greater than 1"},
    {30333, "dimension does not exist"},
    {30334, "illegal dimension level name"},
    {30335, "JOIN KEY clause references a level not in this hierarchy"},
    {30341, "dropped level has references"},
    {30342, "referenced level is not defined in this dimension"},
    {30343, "level name is not unique within this dimension"},
    {30344, "number of child cols different from number of parent level cols"},
    {30345, "circular dimension hierarchy"},
    {30346, "hierarchy name must be unique within a dimension"},
    {30347, "a table name is required to qualify the column name"},
    {30349, "dimension hierarchy does not exist"},
    {30363, "columns in a dimension column list must be in the same relation"},
    {30366, "child JOIN KEY columns not in same relation as child level"},
    {30367, "a JOIN KEY clause is required"},
    {30368, "ATTRIBUTE cannot determine column in a different relation"},
    {30383, "dimension level does not exist in the attribute"},
    {30384, "column name does not exist in the attribute"},
    {30669, "table can have only one identity column"},
    {30673, "column to be modified is not an identity column"},
    {30674, "identity column cannot have a default value"},
    {30675, "identity column must be a numeric type"},
    {32795, "cannot insert into a generated always identity column"},
    {32796, "cannot update a generated always identity column"},
    {54002, "only pure functions can be specified in a virtual column expression"},
    {1743, "only pure functions can be indexed"},
    {40473, "duplicate key names in JSON object"},
    {54013, "INSERT operation disallowed on virtual columns"},
    {54017, "UPDATE operation disallowed on virtual columns"},
    {54031, "column to be dropped is used in a virtual column expression"},
    {25175, "no PRIMARY KEY constraint found"},
    {1425, "escape character must be character string of length 1"},
    {1465, "invalid hex number"},
    {1410, "invalid ROWID"},
    {1445, "cannot select ROWID from, or sample, a join view without a key-preserved table"},
    {1436, "CONNECT BY loop in user data"},
    {1788, "CONNECT BY clause required in this query block"},
    {976, "Specified pseudocolumn or operator not allowed here."},
    {30929, "ORDER SIBLINGS BY clause not allowed here"},
    {1005, "null password given; logon denied"},
    {932, "inconsistent datatypes: expected %s got %s"},
    {934, "group function is not allowed here"},
    {909, "invalid number of arguments"},
    {901, "invalid CREATE command"},
    {902, "invalid datatype"},
    {903, "invalid table name"},
    {953, "missing or invalid index name"},
    {908, "missing NULL keyword"},
    {910, "specified length too long for its datatype"},
    {924, "missing BY keyword"},
    {925, "missing INTO keyword"},
    {927, "missing equal sign"},
    {928, "missing SELECT keyword"},
    {940, "invalid ALTER command"},
    {950, "invalid DROP option"},
    {968, "missing INDEX keyword"},
    {969, "missing ON keyword"},
    {971, "missing SET keyword"},
    {972, "identifier is too long"},
    {1452, "cannot CREATE UNIQUE INDEX; duplicate keys found"},
    {1722, "invalid number"},
    {1741, "illegal zero-length identifier"},
    {1756, "quoted string not properly terminated"},
    {1830, "date format picture ends before converting entire input string"},
    {1840, "input value not long enough for date format"},
    {1841, "(full) year must be between -4713 and +9999, and not be 0"},
    {1854, "julian date must be between 1 and 5373484"},
    {1855, "AM/A.M. or PM/P.M. required"},
    {1843, "not a valid month"},
    {1820, "format code cannot appear in date input format"},
    {1853, "seconds in day must be between 0 and 86399"},
    {1856, "BC/B.C. or AD/A.D. required"},
    {1847, "day of month must be between 1 and last day of month"},
    {1858, "a non-numeric character was found where a numeric was expected"},
    {1861, "literal does not match format string"},
    {1821, "date format not recognized"},
    {2000, "missing %s keyword"},
    {2315, "incorrect number of arguments for default constructor"},
    {2303, "cannot drop or replace a type with type or table dependents"},
    {22909, "exceeded maximum VARRAY limit"},
    {22814, "attribute or element value is larger than its type allows"},
    {22806, "not an object or REF"},
    {22950, "cannot ORDER objects without MAP or ORDER method"},
    {30625, "method dispatch on NULL SELF argument is disallowed"},
    {2291, "integrity constraint (%s) violated - parent key not found"},
    {2292, "integrity constraint (%s) violated - child record found"},
    {14004, "missing PARTITION keyword"},
    {14006, "invalid partition name"},
    {14017, "partition bound list contains too many elements"},
    {14018, "partition bound list contains too few elements"},
    {14012, "resulting partition name conflicts with that of an existing partition"},
    {14400, "inserted partition key does not map to any partition"},
    {14016, "underlying table of a LOCAL partitioned index must be partitioned"},
    {14024, "number of partitions of LOCAL index must equal that of the underlying table"},
    {14039, "partitioning columns must form a subset of key columns of a UNIQUE index"},
    {14086, "a partitioned index may not be rebuilt as a whole"},
    {2149, "Partition named does not exist"},
    {14401, "inserted partition key is outside the named partition"},
    {14501, "object is not partitioned"},
    {14109, "partition-extended object names may only be used with tables and editioning views"},
    {14083, "cannot drop the only partition of a partitioned table"},
    {14074, "partition bound must collate higher than that of the last partition"},
    {14312, "Value %s already exists in partition %s"},
    {14082, "new partition name must differ from that of any other partition of the object"},
    {14255, "table is not partitioned by Range, List, Composite Range or Composite List method"},
    {14259, "table is not partitioned by Hash method"},
    {14760, "ADD PARTITION is not permitted on Interval partitioned objects"},
    {14323, "cannot add partition when DEFAULT partition exists"},
    {14080, "partition cannot be split along the given high bound"},
    {14313, "Value %s does not exist in partition %s"},
    {14314, "resulting List partition(s) must contain at least 1 value"},
    {14274, "partitions being merged are not adjacent"},
    {14095, "ALTER TABLE EXCHANGE requires a non-partitioned, non-clustered table"},
    {14096, "tables in ALTER TABLE EXCHANGE PARTITION must have the same number of columns"},
    {14097, "column type or size mismatch in ALTER TABLE EXCHANGE PARTITION"},
    {14099, "all rows in table do not qualify for the named partition"},
    {2243, "invalid ALTER INDEX or ALTER MATERIALIZED VIEW option"},
    {25122, "Only LOCAL bitmap indexes are permitted on partitioned tables"},
    {25194, "invalid COMPRESS prefix length value"},
    {2290, "check constraint (%s) violated"},
    {2260, "table can have only one primary key"},
    {2264, "name already used by an existing constraint"},
    {2091, "transaction rolled back"},
    {2447, "cannot defer a constraint that is not deferrable"},
    {2448, "constraint does not exist"},
    {14455, "attempt to create referential integrity constraint on temporary table"},
    {14452, "attempt to create, alter or drop an index on temporary table already in use"},
    {1439, "column to be modified must be empty to change datatype"},
    {1440, "column to be modified must be empty to decrease precision or scale"},
    {1441, "cannot decrease column length because some value is too big"},
    {1442, "column to be modified to NOT NULL is already NOT NULL"},
    {1449, "column contains NULL values; cannot alter to NOT NULL"},
    {1451, "column to be modified to NULL cannot be modified to NULL"},
    {2261, "such unique or primary key already exists in the table"},
    {2270, "no matching unique or primary key for this column-list"},
    {2268, "referenced table does not have a primary key"},
    {2256, "number of referencing columns must match referenced columns"},
    {2273, "this unique/primary key is referenced by some foreign keys"},
    {2287, "sequence number not allowed here"},
    {2293, "cannot validate (%s) - check constraint violated"},
    {2296, "cannot enable (%s) - null values found"},
    {2297, "cannot disable constraint (%s) - dependencies exist"},
    {2298, "cannot validate (%s) - parent keys not found"},
    {2299, "cannot validate (%s) - duplicate keys found"},
    {2437, "cannot validate (%s) - primary key violated"},
    {2441, "Cannot drop nonexistent primary key"},
    {2442, "Cannot drop nonexistent unique key"},
    {2443, "Cannot drop constraint  - nonexistent constraint"},
    {12991, "column is referenced in a multi-column constraint"},
    // The argument, when given, says which: ": CONNECT BY over a join".
    {3001, "unimplemented feature%s"},
    {935, "group function is nested"},
    {1428, "argument '%s' is out of range"},
    {30496, "Argument should be a constant."},
    {30494, "The argument [%s] of WIDTH_BUCKET function is NULL or invalid."},

    {30493, "The percentile value should be a number between 0 and 1."},
    {30495, "The argument should be of numeric or date/datetime type."},
    {1489, "result of string concatenation is too long"},
    {1490, "invalid ANALYZE command"},
    {38029, "object statistics are locked"},
    {38305, "object not in RECYCLE BIN"},
    {38307, "object not in RECYCLE BIN"},
    {30001, "trim set should have only one character"},
    {30926, "unable to get a stable set of rows in the source tables"},
    {38104, "Columns referenced in the ON Clause cannot be updated: %s"},
    {30481, "GROUPING function only supported with GROUP BY CUBE or ROLLUP"},
    {30483, "window  functions are not allowed here"},
    {30484, "missing window specification for this function"},
    {30485, "missing ORDER BY expression in the window specification"},
    {30487, "ORDER BY not allowed here"},
    {56901, "non-constant expression is not allowed for pivot|unpivot values"},
    {56902, "expect aggregate function inside pivot operation"},
    {1730, "invalid number of column names specified"},
    {1731, "circular view definition encountered"},
    {32031, "illegal reference of a query name in WITH clause"},
    {32034, "unsupported use of WITH clause"},
    {32038, "number of WITH clause column names does not match number of elements in select list"},
    {32039, "recursive WITH clause must have column alias list"},
    {32040, "recursive WITH clause must use a UNION ALL operation"},
    {32046, "sequence column name for SEARCH clause must not be part of the column alias list"},
    {32047, "cycle mark value and non-cycle mark value must be one byte character string values"},
    {32048, "cycle mark column name for CYCLE clause must not be part of the column alias list"},
    {32480, "SEARCH and CYCLE clauses can only be specified for recursive WITH clause elements"},
    {32481, "cycle value for CYCLE clause must be different from the non-cycle value"},
    {32482, "sequence column for SEARCH clause must be different from the cycle mark column for CYCLE clause"},
    {32483, "duplicate name found in sort specification list for SEARCH clause of WITH clause"},
    {32484, "duplicate name found in cycle column list for CYCLE clause of WITH clause"},
    {32485,
     "element in cycle column list of CYCLE clause must appear in the column alias list of the WITH clause element"},
    {32486, "unsupported operation in recursive branch of recursive WITH clause"},
    {32489,
     "element in sort specification list of SEARCH clause did not appear in the column alias list of the WITH clause "
     "element"},
    {30482, "DISTINCT option not allowed for this function"},
    {3095, "expression level is too deep, maximum %s"},
    {1760, "illegal argument for function"},
    {1765, "specifying owner's name of the table is not allowed"},
    {4043, "object %s does not exist"},
    {14047, "ALTER TABLE|INDEX RENAME may not be combined with other operations"},
    {32318, "cannot rename a materialized view"},
    {1502, "index '%s' or partition of such index is in unusable state"},
    {12722, "regular expression internal error"},
    {12725, "unmatched parentheses in regular expression"},
    {12726, "unmatched bracket in regular expression"},
    {12727, "invalid back reference in regular expression"},
    {12728, "invalid range in regular expression"},
    {12729, "invalid character class in regular expression"},
    {12730, "invalid equivalence class in regular expression"},
    {12731, "invalid collation class in regular expression"},
    {12732, "invalid interval value in regular expression"},
    {12733, "regular expression too long"},
    {12154, "TNS:could not resolve the connect identifier specified"},
    {12541, "TNS:no listener"},
    // The column's name comes with its trailing blank, so that a nameless column reads
    // "value too large for column (actual: 5, maximum: 3)".
    {12899, "value too large for column %s(actual: %s, maximum: %s)"},
    {22275, "invalid LOB locator specified"},
    {22993, "input amount is greater than actual source amount"},
    {22285, "non-existent directory or file for FILEOPEN operation"},
    {22287, "invalid or modified directory occurred during %s operation"},
    {22289, "cannot perform %s operation on an unopened file or LOB"},
    {22293, "LOB already opened in the same transaction"},
    {22294, "cannot update a LOB opened in read-only mode"},
    {24333, "zero iteration count"},
    {24334, "no descriptor for this position"},
    {24338, "statement handle not executed"},
    {24345, "A Truncation or null fetch error occurred"},
    {24374, "define not done before fetch or execute and fetch"},
    {24391, "invalid fetch operation"},
    {24381, "error(s) in array DML"},
    {1426, "numeric overflow"},
    {6535, "statement string in %s is NULL or 0 length"},
    {1012, "not logged on"},
    {1019, "unable to allocate memory in the user side"},
    {1034, "ORACLE not available"},
    {1459, "invalid length for variable character string"},
    {3115, "unsupported network datatype or representation"},
    {24315, "illegal attribute type%s"},
    {1480, "trailing null missing from STR bind value"},
    {1008, "not all variables bound"},
    {1036, "illegal variable name/number"},
    {1041, "internal error. hostdef extension doesn't exist"},
    {1453, "SET TRANSACTION must be first statement of transaction"},
    {1456, "may not perform insert/delete/update operation inside a READ ONLY transaction"},
    {4092, "cannot %s in a trigger"},
    {2179, "valid options: ISOLATION LEVEL { SERIALIZABLE | READ COMMITTED }"},
    {2248, "invalid option for ALTER SESSION"},
    {0, "normal, successful completion"},
    {36, "maximum number of recursive SQL levels (%s) exceeded"},
    {54, "resource busy and acquire with NOWAIT specified or timeout expired"},
    {600, "internal error code, arguments: %s"},
    {604, "error occurred at recursive SQL level 1"},
    {1001, "invalid cursor"},
    {1918, "user '%s' does not exist"},
    {1917, "user or role '%s' does not exist"},
    {1919, "role '%s' does not exist"},
    {1920, "user name '%s' conflicts with another user or role name"},
    {1921, "role name '%s' conflicts with another user or role name"},
    {1922, "CASCADE must be specified to drop '%s'"},
    {1927, "cannot REVOKE privileges you did not grant"},
    {1935, "missing user or role name"},
    {1938, "IDENTIFIED BY must be specified for CREATE USER"},
    {1940, "cannot drop a user that is currently connected"},
    {1951, "ROLE '%s' not granted to '%s'"},
    {1952, "system privileges not granted to '%s'"},
    {987, "missing or invalid grantees"},
    {988, "missing or invalid password(s)"},
    {990, "missing or invalid privilege"},
    {2187, "invalid quota"},
    {1934, "circular role grant detected"},
    {1749, "you may not GRANT/REVOKE privileges to/from yourself"},
    {2205, "only SELECT and ALTER privileges are valid for sequences"},
    {2224, "EXECUTE privilege not allowed for tables"},
    {2225, "only EXECUTE and DEBUG privileges are valid for procedures"},
    {28000, "the account is locked"},
    {1432, "public synonym to be dropped does not exist"},
    {1434, "private synonym to be dropped does not exist"},
    {1839, "date not valid for month specified"},
    {1850, "hour must be between 0 and 23"},
    {1851, "minutes must be between 0 and 59"},
    {1852, "seconds must be between 0 and 59"},
    {1867, "the interval is invalid"},
    {1873, "the leading precision of the interval is too small"},
    {30081, "invalid data type for datetime/interval arithmetic"},
    {980, "synonym translation is no longer valid"},
    {1416, "two tables cannot be outer-joined to each other"},
    {1430, "column being added already exists in table"},
    {1468, "a predicate may reference only one outer-joined table"},
    {1719, "outer join operator (+) not allowed in operand of OR or IN"},
    {1724, "floating point precision is out of range (1 to 126)"},
    {1727, "numeric precision specifier is out of range (1 to 38)"},
    {1728, "numeric scale specifier is out of range (-84 to 127)"},
    {1785, "ORDER BY item must be the number of a SELECT-list expression"},
    {1789, "query block has incorrect number of result columns"},
    {1796, "this operator cannot be used with lists"},
    {1790, "expression must have same datatype as corresponding expression"},
    {1732, "data manipulation operation not legal on this view"},
    {1733, "virtual column not allowed here"},
    {1779, "cannot modify a column which maps to a non key-preserved table"},
    {1776, "cannot modify more than one base table through a join view"},
    {1752, "cannot delete from view without exactly one key-preserved table"},
    {1740, "missing double quote in identifier"},
    {1745, "invalid host/bind variable name"},
    {2003, "invalid USERENV parameter"},
    {2289, "sequence does not exist"},
    {4061, "existing state of %s has been invalidated"},
    {4063, "%s has errors"},
    {4065, "not executed, altered or dropped %s"},
    {4067, "not executed, %s does not exist"},
    {4068, "existing state of packages has been discarded"},
    {4077, "WHEN clause cannot be used with table level triggers"},
    {4080, "trigger '%s' does not exist"},
    {4081, "trigger '%s' already exists"},
    {4082, "NEW or OLD references not allowed in table level triggers"},
    {4084, "cannot change NEW values for this trigger type"},
    {4085, "cannot change the value of an OLD reference variable"},
    {4088, "error during execution of trigger '%s'"},
    {4091, "table %s is mutating, trigger/function may not see it"},
    {4098, "trigger '%s' is invalid and failed re-validation"},
    {6500, "PL/SQL: storage error"},
    {6502, "PL/SQL: numeric or value error%s"},
    {6503, "PL/SQL: Function returned without value"},
    {6504, "PL/SQL: Return types of Result Set variables or query do not match"},
    {6508, "PL/SQL: could not find program unit being called%s"},
    {6510, "PL/SQL: unhandled user-defined exception"},
    {6511, "PL/SQL: cursor already open"},
    {6512, "at %s"},
    {6519, "active autonomous transaction detected and rolled back"},
    {6530, "Reference to uninitialized composite"},
    {6531, "Reference to uninitialized collection"},
    {6532, "Subscript outside of limit"},
    {6533, "Subscript beyond count"},
    {6548, "no more rows needed"},
    {6550, "line %s, column %s:\n%s"},
    {6553, "PLS-%s: %s"},
    {6575, "Package or function %s is in an invalid state"},
    {6592, "CASE not found while executing CASE statement"},
    {21000, "error number argument to raise_application_error of %s is out of range"},
    {21560, "argument %s is null, invalid, or out of range"},
    {22926, "trim length given is greater than current LOB value's length"},
    {38148, "invalid time limit given"},
    {44003, "invalid SQL name"},
    {44004, "invalid qualified SQL name"},
    {22165, "given index [%s] must be in the range of [%s] to [%s]"},
    {24344, "success with compilation error"},
    {25154, "column part of USING clause cannot have qualifier"},
    {25155, "column used in NATURAL join cannot have qualifier"},
    {25156, "old style outer join (+) cannot be used with ANSI joins"},
    {30009, "Not enough memory for %s operation"},
    {2097, "parameter cannot be modified because specified value is invalid"},
    {96, "invalid value %s for parameter %s, must be from among %s"},
    {68, "invalid value %s for parameter %s, must be between %s and %s"},
    {12702, "invalid NLS parameter string used in SQL function"},
    {12705, "Cannot access NLS data files or invalid environment specified"},
    {1435, "user does not exist"},
    {1882, "timezone region not found"},
    {1874, "time zone hour must be between -15 and 15"},
    {1875, "time zone minute must be between -59 and 59"},
    {42399, "cannot perform a DML operation on a read-only view"},
    {1402, "view WITH CHECK OPTION where-clause violation"},
    {12003, "materialized view \"%s\".\"%s\" does not exist"},
    {12000, "a materialized view log already exists on table '%s'"},
    {12002, "there is no materialized view log on table \"%s\".\"%s\""},
    {12054, "cannot set the ON COMMIT refresh attribute for the materialized view"},
    {12083, "must use DROP MATERIALIZED VIEW to drop \"%s\".\"%s\""},
    {23538, "cannot explicitly refresh a NEVER REFRESH materialized view (\"%s\")"},
    {29807, "specified operator does not exist"},
    {29833, "indextype does not exist"},
    {38802, "edition does not exist"},
    {40284, "model does not exist"},
    {30088, "datetime/interval precision is out of range"},
    {30076, "invalid extract field for extract source"},
    {25137, "Data value out of range"},
    {30089, "missing or invalid <datetime field>"},
    {30005, "missing or invalid WAIT interval"},
};

// PLS numbers overlap ORA numbers, so the compiler's messages have a table of their own.
const MessageEntry kPlsMessages[] = {
    {49, "bad bind variable '%s'"},
    {102, "parser stack overflow because nesting is too deep"},
    {114, "identifier '%s' too long"},
    {103, "Encountered the symbol \"%s\" when expecting one of the following:\n\n   %s"},
    {201, "identifier '%s' must be declared"},
    {204, "function or pseudo-column '%s' may be used inside a SQL statement only"},
    {215, "String length constraints must be in range (1 .. 32767)"},
    {216, "NUMBER precision constraint must be in range (1 .. 38)"},
    {217, "NUMBER scale constraint must be in range (-84 .. 127)"},
    {218, "a variable declared NOT NULL must have an initialization assignment"},
    {221, "'%s' is not a procedure or is undefined"},
    {222, "no function with name '%s' exists in this scope"},
    {231, "function '%s' may not be used in SQL"},
    {302, "component '%s' must be declared"},
    {304, "cannot compile body of '%s' without its package header"},
    {306, "wrong number or types of arguments in call to '%s'"},
    {307, "too many declarations of '%s' match this call"},
    {315, "Implementation restriction: unsupported table index type"},
    {322, "declaration of a constant '%s' must contain an initialization assignment"},
    {323, "subprogram or cursor '%s' is declared in a package header and must be defined in the package body"},
    {328, "A subprogram body must be defined for the forward declaration of %s."},
    {363, "expression%s cannot be used as an assignment target"},
    {372, "In a procedure, RETURN statement cannot contain an expression"},
    {375, "illegal GOTO statement; this label cannot be branched to"},
    {404, "cursor '%s' must be declared with FOR UPDATE to use with CURRENT OF"},
    {413, "identifier in CURRENT OF clause is not a cursor name"},
    {410, "duplicate fields in RECORD,TABLE or argument list are not permitted"},
    {382, "expression is of wrong type"},
    {428, "an INTO clause is expected in this SELECT statement"},
    {455, "cursor '%s' cannot be used in dynamic SQL OPEN statement"},
    {494, "coercion into multiple record targets not supported"},
    {497, "cannot mix between single row and multi-row (BULK) in INTO list"},
    {503, "RETURN <value> statement required for this return from function"},
    {526, "A MAP or ORDER function is required for comparing objects in PL/SQL"},
    {537, "A VARRAY must have a positive limit"},
    {538, "subprogram or cursor '%s' is declared in an object type specification and must be defined in the object"
          " type body"},
    {539, "subprogram '%s' is declared in an object type body and must be defined in the object type specification"},
    {597, "expression '%s' in the INTO list is of wrong type"},
    {629, "PIPE statement cannot be used in non-pipelined functions"},
    {630, "pipelined functions must have a supported collection return type"},
    {633, "RETURN statement in a pipelined function cannot contain an expression"},
    {653, "aggregate/table functions are not allowed in PL/SQL scope"},
    {657, "implementation restriction: bulk SQL with associative arrays with VARCHAR2 key is not supported."},
    {667, "Element type of associative array should be pls_integer"},
    {701, "illegal ORACLE error number %s for PRAGMA EXCEPTION_INIT"},
    {710, "Pragma %s cannot be specified here"},
    {905, "object %s is invalid"},
    {994, "Cursor Variables cannot be declared as part of a package"},
    {999, "implementation restriction (may be temporary) %s"},
};

// The table's text with its "%s" parts filled from args in order; text inside an
// argument is never taken for a "%s" of the table. Unknown numbers get a generic text.
template <std::size_t N>
std::string lookup(const MessageEntry (&table)[N], int code, const std::string* const (&args)[4]) {
    for (const MessageEntry& e : table) {
        if (e.code != code) continue;
        std::string text = e.text;
        std::size_t from = 0;
        for (const std::string* arg : args) {
            std::size_t at = text.find("%s", from);
            if (at == std::string::npos) break;
            text.replace(at, 2, *arg);
            from = at + arg->size();
        }
        return text;
    }
    return "Message " + std::to_string(code) + " not found";
}

}  // namespace

std::string ora_message(int code, const std::string& arg1, const std::string& arg2, const std::string& arg3,
                        const std::string& arg4) {
    return lookup(kMessages, code, {&arg1, &arg2, &arg3, &arg4});
}

std::string ora_sqlerrm(long long code) {
    if (code == 0) return ora_line(0);
    if (code == 100) return ora_line(1403);
    if (code == 1) return "User-Defined Exception";
    if (code > 0) return std::to_string(-code) + ": non-ORACLE exception";
    long long n = -code;
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "ORA-%05lld: ", n);
    // The codes RAISE_APPLICATION_ERROR uses carry no text of their own.
    if (n >= 20000 && n <= 20999) return prefix;
    for (const MessageEntry& e : kMessages)
        if (e.code == n) {
            // ORA-00001 names the constraint as one "owner.name" argument.
            return prefix + ora_message(static_cast<int>(n), n == 1 ? "." : "");
        }
    return prefix + std::string("Message ") + std::to_string(n) + " not found;  product=RDBMS; facility=ORA";
}

std::string ora_line(int code, const std::string& arg1, const std::string& arg2, const std::string& arg3) {
    // Oracle writes the success code with four digits: "ORA-0000: normal, successful completion".
    if (code == 0) return "ORA-0000: " + ora_message(0);
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", code);
    return prefix + ora_message(code, arg1, arg2, arg3);
}

std::string pls_body(int code, const std::string& arg1, const std::string& arg2) {
    const std::string none;
    return lookup(kPlsMessages, code, {&arg1, &arg2, &none, &none});
}

std::string pls_message(int code, const std::string& arg1, const std::string& arg2) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "PLS-%05d: ", code);
    return prefix + pls_body(code, arg1, arg2);
}

OraError ora_error(int code, const std::string& arg1, const std::string& arg2, const std::string& arg3) {
    OraError e;
    e.code = code;
    e.message = ora_message(code, arg1, arg2, arg3);
    return e;
}

std::string ora_format(int code, const std::string& message) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", code);
    return prefix + message + "\n";
}

OraError ora_from_sqlite(int sqlite_code, const std::string& msg) {
    OraError e;
    if (msg.size() > 11 && msg.compare(0, 4, "ORA-") == 0 && msg[9] == ':') {
        e.code = std::atoi(msg.c_str() + 4);
        e.message = msg.substr(11);
        return e;
    }
    int primary = sqlite_code & 0xff;
    if (sqlite_code == SQLITE_CONSTRAINT_UNIQUE || sqlite_code == SQLITE_CONSTRAINT_PRIMARYKEY) {
        // "UNIQUE constraint failed: SCOTT.EMP.EMPNO": the engine names no constraints yet,
        // so the table stands in for the name.
        std::string what = msg.substr(msg.find(':') == std::string::npos ? 0 : msg.find(':') + 2);
        // "index 'T_UK'": a unique index on expressions, known by its name.
        if (what.compare(0, 7, "index '") == 0 && what.size() > 8) return ora_error(1, what.substr(7, what.size() - 8));
        std::size_t dot = what.rfind('.');
        return ora_error(1, dot == std::string::npos ? what : what.substr(0, dot));
    }
    if (sqlite_code == SQLITE_CONSTRAINT_NOTNULL) {
        // "NOT NULL constraint failed: SCOTT.EMP.EMPNO"
        std::string what = msg.substr(msg.find(':') == std::string::npos ? 0 : msg.find(':') + 2);
        std::string quoted;
        std::size_t start = 0;
        while (start <= what.size()) {
            std::size_t dot = what.find('.', start);
            std::string part = what.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
            quoted += (quoted.empty() ? "\"" : ".\"") + part + "\"";
            if (dot == std::string::npos) break;
            start = dot + 1;
        }
        return ora_error(1400, quoted);
    }
    if (sqlite_code == SQLITE_CONSTRAINT_FOREIGNKEY) return ora_error(2291, "FOREIGN KEY");
    if (sqlite_code == SQLITE_CONSTRAINT_CHECK) return ora_error(2290, "CHECK");
    if (primary == SQLITE_INTERRUPT) return ora_error(1013);
    if (primary == SQLITE_NOMEM) return ora_error(1019);
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) return ora_error(54);
    if (msg.compare(0, 14, "no such table:") == 0) return ora_error(942);
    // "view V1 is circularly defined": views that read each other (CREATE FORCE VIEW).
    if (msg.compare(0, 5, "view ") == 0 && msg.size() > 22 &&
        msg.compare(msg.size() - 22, 22, " is circularly defined") == 0)
        return ora_error(1731);
    // SQLite compares table, view and index names without regard to case, so a quoted
    // name that differs from an existing one only in case is already taken.
    if ((msg.compare(0, 6, "table ") == 0 || msg.compare(0, 6, "index ") == 0 || msg.compare(0, 5, "view ") == 0) &&
        msg.size() > 15 && msg.compare(msg.size() - 15, 15, " already exists") == 0)
        return ora_error(955);
    // "view V cannot reference objects in database SCOTT": a stored view lives in its
    // owner's schema file and SQLite lets it read no other file.
    if (msg.find(" cannot reference objects in database ") != std::string::npos)
        return ora_error(3001, ": a view of another schema's objects");
    // A name SQLite keeps for itself (sqlite_...) that no check before reached.
    if (msg.compare(0, 38, "object name reserved for internal use:") == 0) return ora_error(903);
    if (msg.compare(0, 28, "Cannot add a NOT NULL column") == 0) return ora_error(1758);
    if (msg.find("non-deterministic functions prohibited in generated columns") != std::string::npos)
        return ora_error(54002);
    if (msg.find("non-deterministic functions prohibited in index expressions") != std::string::npos)
        return ora_error(1743);
    if (msg.compare(0, 15, "no such column:") == 0) {
        return ora_error(904, "\"" + msg.substr(16) + "\"");
    }
    // SQLite's limit on a function's arguments, where no rule of the translator folded them.
    if (msg.compare(0, 30, "too many arguments on function") == 0) return ora_error(939);
    // SQLite's own parser and expression limits: the statement is too complex, not broken.
    if (msg.find("parser stack overflow") != std::string::npos ||
        msg.compare(0, 26, "Expression tree is too large") == 0)
        return ora_error(3095, "1000");
    return ora_error(600, "[sqlite], [" + msg + "]");
}
