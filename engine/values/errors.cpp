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
    {936, "missing expression"},
    {937, "not a single-group group function"},
    {942, "table or view does not exist"},
    {947, "not enough values"},
    {913, "too many values"},
    {955, "name is already used by an existing object"},
    {957, "duplicate column name"},
    {979, "not a GROUP BY expression"},
    {1002, "fetch out of sequence"},
    {1013, "user requested cancel of current operation"},
    {1017, "invalid username/password; logon denied"},
    {1031, "insufficient privileges"},
    {1086, "savepoint '%s' never established in this session or is invalid"},
    {1400, "cannot insert NULL into (%s)"},
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
    {1425, "escape character must be character string of length 1"},
    {1465, "invalid hex number"},
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
    {1843, "not a valid month"},
    {1847, "day of month must be between 1 and last day of month"},
    {1858, "a non-numeric character was found where a numeric was expected"},
    {1861, "literal does not match format string"},
    {1821, "date format not recognized"},
    {2000, "missing %s keyword"},
    {2291, "integrity constraint (%s) violated - parent key not found"},
    {2292, "integrity constraint (%s) violated - child record found"},
    {2290, "check constraint (%s) violated"},
    {2260, "table can have only one primary key"},
    {2264, "name already used by an existing constraint"},
    {3001, "unimplemented feature"},
    {935, "group function is nested"},
    {1428, "argument '%s' is out of range"},
    {30496, "Argument should be a constant."},
    {1489, "result of string concatenation is too long"},
    {30483, "window  functions are not allowed here"},
    {30484, "missing window specification for this function"},
    {30485, "missing ORDER BY expression in the window specification"},
    {30487, "ORDER BY not allowed here"},
    {32031, "illegal reference of a query name in WITH clause"},
    {32038, "number of WITH clause column names does not match number of elements in select list"},
    {32039, "recursive WITH clause must have column alias list"},
    {32040, "recursive WITH clause must use a UNION ALL operation"},
    {30482, "DISTINCT option not allowed for this function"},
    {3095, "expression level is too deep, maximum %s"},
    {12154, "TNS:could not resolve the connect identifier specified"},
    {12541, "TNS:no listener"},
    {12899, "value too large for column %s (actual: %s, maximum: %s)"},
    {22275, "invalid LOB locator specified"},
    {22285, "non-existent directory or file for FILEOPEN operation"},
    {22289, "cannot perform %s operation on an unopened file or LOB"},
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
    {24315, "illegal attribute type"},
    {1480, "trailing null missing from STR bind value"},
    {1008, "not all variables bound"},
    {1036, "illegal variable name/number"},
    {1041, "internal error. hostdef extension doesn't exist"},
    {1453, "SET TRANSACTION must be first statement of transaction"},
    {2248, "invalid option for ALTER SESSION"},
};

// Replaces the first "%s" of text with arg.
void fill(std::string& text, const std::string& arg) {
    std::size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, arg);
}

}  // namespace

std::string ora_message(int code, const std::string& arg1, const std::string& arg2) {
    for (const MessageEntry& e : kMessages) {
        if (e.code == code) {
            std::string text = e.text;
            fill(text, arg1);
            fill(text, arg2);
            return text;
        }
    }
    return "Message " + std::to_string(code) + " not found";
}

OraError ora_error(int code, const std::string& arg1, const std::string& arg2) {
    OraError e;
    e.code = code;
    e.message = ora_message(code, arg1, arg2);
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
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
        e.code = 54;
        e.message = "resource busy and acquire with NOWAIT specified or timeout expired";
        return e;
    }
    if (msg.compare(0, 14, "no such table:") == 0) return ora_error(942);
    // A name SQLite keeps for itself (sqlite_...) that no check before reached.
    if (msg.compare(0, 38, "object name reserved for internal use:") == 0) return ora_error(903);
    if (msg.compare(0, 28, "Cannot add a NOT NULL column") == 0) return ora_error(1758);
    if (msg.compare(0, 15, "no such column:") == 0) {
        return ora_error(904, "\"" + msg.substr(16) + "\"");
    }
    // SQLite's own parser and expression limits: the statement is too complex, not broken.
    if (msg.find("parser stack overflow") != std::string::npos ||
        msg.compare(0, 26, "Expression tree is too large") == 0)
        return ora_error(3095, "1000");
    e.code = 600;
    e.message = "internal error code, arguments: [sqlite], [" + msg + "]";
    return e;
}
