// The DDL part of the SQL grammar: CREATE TABLE and CREATE INDEX with their columns,
// constraints and physical attributes, DROP TABLE and DROP INDEX, ALTER TABLE and
// ALTER SESSION.
#include "sql/sql_parser.h"
#include "sql/sql_type_details.h"

#include "values/values.h"
#include "values/sql_interval.h"

#include <cstdlib>

namespace sql_grammar {

bool Parser::column_def(ColumnDef* c) {
    c->offset = cur().offset;
    if (!identifier(&c->name)) return fail(904, "\"" + cur().text + "\"");
    // An identity or a virtual column may leave its datatype out: an identity is then a
    // NUMBER, a virtual column takes its expression's type.
    if (is_word("GENERATED") || is_word("AS")) {
        c->has_type = false;
        c->type.code = kTypeNumber;
        c->type.size = 22;
        c->type.scale = -127;
        c->type_name = "NUMBER";
        return column_constraints(c);
    }
    return datatype(c, true) && column_constraints(c);
}

// GENERATED ALWAYS|BY DEFAULT [ON NULL] AS IDENTITY [(options)], and a virtual column's
// [GENERATED ALWAYS] AS (expr) [VIRTUAL].
bool Parser::generated_clause(ColumnDef* c) {
    c->identity_offset = cur().offset;
    std::string generation = "ALWAYS";
    bool on_null = false;
    if (accept_word("GENERATED")) {
        if (accept_word("BY")) {
            if (!accept_word("DEFAULT")) return fail(2000, "DEFAULT");
            generation = "BY DEFAULT";
            if (is_word("ON") && word_at(1, "NULL")) {
                p_ += 2;
                on_null = true;
            }
        } else if (!accept_word("ALWAYS")) {
            return fail(2000, "ALWAYS");
        }
        if (!expect_word("AS", 905)) return false;
        if (accept_word("IDENTITY")) {
            c->identity = generation;
            c->default_on_null = on_null;
            return identity_options(&c->identity_options);
        }
        if (generation != "ALWAYS") return fail(2000, "IDENTITY");
    } else {
        ++p_;  // AS
    }
    if (!expect_op("(", 906)) return false;
    if (!expr(&c->virtual_expr)) return false;
    if (!expect_op(")", 907)) return false;
    accept_word("VIRTUAL");
    return true;
}

// The sequence options of an identity column, kept as typed for the translator to check:
// in parentheses, or bare as Oracle writes them back in an identity column's DDL.
bool Parser::identity_options(IdentityOptions* o) {
    static const char* const kWords[] = {"START",      "INCREMENT",  "MINVALUE", "MAXVALUE", "CACHE",
                                         "NOCACHE",    "CYCLE",      "NOCYCLE",  "ORDER",    "NOORDER",
                                         "NOMINVALUE", "NOMAXVALUE", "NOKEEP",   "NOSCALE"};
    const bool parenthesised = accept_op("(");
    auto more = [&]() {
        if (parenthesised) return !accept_op(")");
        for (const char* w : kWords)
            if (is_word(w)) return true;
        return false;
    };
    auto number = [&](std::string* out) {
        std::string sign = accept_op("-") ? "-" : "";
        if (sign.empty()) accept_op("+");
        if (cur().kind != TokenKind::Number) return fail(1722);
        *out = sign + cur().text;
        ++p_;
        return true;
    };
    while (more()) {
        if (accept_word("START")) {
            if (!expect_word("WITH", 905)) return false;
            o->start_offset = cur().offset;
            if (is_word("LIMIT") && word_at(1, "VALUE")) {
                p_ += 2;
                o->start_limit = true;
                o->start.clear();
            } else if (!number(&o->start)) {
                return false;
            }
        } else if (accept_word("INCREMENT")) {
            if (!expect_word("BY", 924) || !number(&o->increment)) return false;
        } else if (accept_word("MINVALUE")) {
            if (!number(&o->min_value)) return false;
        } else if (accept_word("MAXVALUE")) {
            if (!number(&o->max_value)) return false;
        } else if (accept_word("CACHE")) {
            if (!number(&o->cache)) return false;
        } else if (accept_word("NOCACHE")) {
            o->no_cache = true;
        } else if (accept_word("CYCLE") || accept_word("NOCYCLE")) {
            o->cycle = t_[p_ - 1].text == "CYCLE";
            o->has_cycle = true;
        } else if (accept_word("ORDER") || accept_word("NOORDER")) {
            o->order = t_[p_ - 1].text == "ORDER";
            o->has_order = true;
        } else if (!accept_word("NOMINVALUE") && !accept_word("NOMAXVALUE") && !accept_word("NOKEEP") &&
                   !accept_word("NOSCALE")) {
            return fail(907);
        }
    }
    return true;
}

// The column's datatype with its length, precision and scale, as Oracle checks them.
bool Parser::datatype(ColumnDef* c, bool user_types) {
    // A quoted name can only be a user's type ("PACKAGE.RECORD" of a package's own).
    if (cur().kind != TokenKind::Word && !(user_types && cur().kind == TokenKind::QuotedWord)) return fail(902), false;
    std::string type = cur().text;
    std::uint32_t type_offset = cur().offset;
    ++p_;
    // XMLTYPE is SYS's type and may be written with its owner.
    if (type == "SYS" && is_op(".") && peek().kind == TokenKind::Word && peek().text == "XMLTYPE") {
        p_ += 2;
        type = "XMLTYPE";
    }
    OraType& ot = c->type;
    auto number_arg = [&](int* v) {
        if (cur().kind != TokenKind::Number) return false;
        *v = std::atoi(cur().text.c_str());
        ++p_;
        return true;
    };
    auto size_arg = [&](int def, int max, bool allow_semantics) -> bool {
        int n = def;
        if (accept_op("(")) {
            if (!number_arg(&n)) return fail(910), false;
            if (allow_semantics) {
                if (accept_word("CHAR"))
                    ot.char_used = true;
                else if (accept_word("BYTE"))
                    c->byte_used = true;
            }
            if (!expect_op(")", 907)) return false;
        } else if (def < 0) {
            return fail(906);
        }
        if (n == 0) {
            *err_ = ora_error(1723);
            err_->offset = type_offset;
            failed_ = true;
            return false;
        }
        if (n < 1 || n > max) {
            *err_ = ora_error(910);
            err_->offset = type_offset;
            failed_ = true;
            return false;
        }
        ot.size = static_cast<std::uint32_t>(n);
        return true;
    };
    if (type == "VARCHAR2" || type == "VARCHAR" || type == "NVARCHAR2") {
        ot.code = kTypeVarchar2;
        ot.national = type == "NVARCHAR2";
        if (!size_arg(-1, 4000, !ot.national)) return false;
    } else if (type == "CHAR" || type == "NCHAR") {
        ot.code = kTypeChar;
        ot.national = type == "NCHAR";
        if (!size_arg(1, 2000, !ot.national)) return false;
    } else if (type == "NUMBER" || type == "NUMERIC" || type == "DECIMAL") {
        ot.code = kTypeNumber;
        ot.size = 22;
        ot.precision = 0;
        ot.scale = -127;
        if (accept_op("(")) {
            int prec = 0, scale = 0;
            std::size_t at = p_;
            // NUMBER(*,s): the largest precision, shown in the dictionary as none.
            const bool any_precision = accept_op("*");
            if (any_precision)
                prec = 38;
            else if (!number_arg(&prec))
                return fail(910), false;
            if (prec < 1 || prec > 38) {
                p_ = at;
                return fail(1727), false;
            }
            const bool has_scale = accept_op(",");
            if (has_scale) {
                at = p_;
                bool neg = accept_op("-");
                if (!number_arg(&scale)) return fail(910), false;
                if (neg) scale = -scale;
                if (scale < -84 || scale > 127) {
                    p_ = at;
                    return fail(1728), false;
                }
            }
            if (!expect_op(")", 907)) return false;
            ot.precision = static_cast<std::int16_t>(any_precision ? 0 : prec);
            ot.scale = static_cast<std::int8_t>(any_precision && !has_scale ? -127 : scale);
        } else if (type != "NUMBER") {
            ot.precision = 38;
            ot.scale = 0;
        }
    } else if (type == "INTEGER" || type == "INT" || type == "SMALLINT") {
        ot.code = kTypeNumber;
        ot.size = 22;
        ot.precision = 38;
        ot.scale = 0;
    } else if (type == "FLOAT") {
        ot.code = kTypeNumber;
        ot.size = 22;
        ot.precision = 126;
        ot.scale = -127;
        if (accept_op("(")) {
            int prec = 0;
            if (!number_arg(&prec)) return fail(910), false;
            if (prec < 1 || prec > 126) return fail(1724), false;
            if (!expect_op(")", 907)) return false;
            ot.precision = static_cast<std::int16_t>(prec);
        }
    } else if (type == "BINARY_FLOAT" || type == "BINARY_DOUBLE") {
        ot.code = type == "BINARY_FLOAT" ? kTypeBinaryFloat : kTypeBinaryDouble;
        ot.size = type == "BINARY_FLOAT" ? 4 : 8;
    } else if (type == "DATE") {
        ot.code = kTypeDate;
        ot.size = 7;
    } else if (type == "TIMESTAMP") {
        ot.code = kTypeTimestamp;
        ot.size = 11;
        ot.scale = 6;
        if (accept_op("(")) {
            int fs = 6;
            if (!number_arg(&fs)) return fail(910), false;
            if (fs < 0 || fs > 9) return fail(30088), false;
            if (!expect_op(")", 907)) return false;
            ot.scale = static_cast<std::int8_t>(fs);
        }
        // WITH [LOCAL] TIME ZONE: the value keeps its offset, or is moved to the
        // database's zone and shown in the session's.
        if (accept_word("WITH")) {
            bool local = accept_word("LOCAL");
            if (!expect_word("TIME", 905) || !expect_word("ZONE", 905)) return false;
            ot.code = local ? kTypeTimestampLtz : kTypeTimestampTz;
            ot.size = local ? 11 : 13;
        }
    } else if (type == "INTERVAL") {
        bool year = accept_word("YEAR");
        if (!year && !accept_word("DAY")) return fail(902), false;
        int lead = 2, fraction = 6;
        if (accept_op("(") && (!interval_precision(&lead, 2) || !expect_op(")", 907))) return false;
        if (!expect_word("TO", 905) || !expect_word(year ? "MONTH" : "SECOND", 905)) return false;
        if (!year && accept_op("(") && (!interval_precision(&fraction, 6) || !expect_op(")", 907))) return false;
        bool nullable = ot.nullable;
        ot = year ? interval_ym_type(lead) : interval_ds_type(lead, fraction);
        ot.nullable = nullable;
    } else if (type == "RAW") {
        ot.code = kTypeRaw;
        if (!size_arg(-1, 2000, false)) return false;
    } else if (type == "LONG") {
        ot.code = kTypeLong;
        ot.size = 0;
        if (accept_word("RAW")) ot.code = kTypeLongRaw;
    } else if (type == "CLOB" || type == "NCLOB") {
        ot.code = kTypeClob;
        ot.size = 4000;
        ot.national = type == "NCLOB";
    } else if (type == "BLOB") {
        ot.code = kTypeBlob;
        ot.size = 4000;
    } else if (type == "XMLTYPE") {
        // Kept as its text; the catalog's type name marks the column's values as XMLTYPE.
        ot.code = kTypeClob;
        ot.size = 4000;
    } else if (user_types && !is_reserved(type)) {
        // [schema.]type: a schema-level object or collection type, which the translator
        // looks up; its value is kept as its constructor's text.
        c->user_type = true;
        c->type_offset = type_offset;
        if (accept_op(".")) {
            if (cur().kind != TokenKind::Word && cur().kind != TokenKind::QuotedWord) return fail(902), false;
            c->type_owner = type;
            type = cur().text;
            ++p_;
        }
        ot.code = kTypeVarchar2;
        ot.size = 4000;
        c->type_name = type;
        return true;
    } else {
        *err_ = ora_error(902);
        err_->offset = type_offset;
        failed_ = true;
        return false;
    }
    c->type_name = type == "VARCHAR" ? "VARCHAR2" : type;
    if (!datetime_type_name(ot).empty()) c->type_name = datetime_type_name(ot);
    return true;
}

// The inline constraints and DEFAULT after a column's datatype, each optionally named.
bool Parser::column_constraints(ColumnDef* c) {
    for (;;) {
        std::string cname;
        if (accept_word("CONSTRAINT") && !identifier(&cname)) return fail(902);
        if (!cname.empty() && !is_word("PRIMARY") && !is_word("UNIQUE") && !is_word("REFERENCES") &&
            !is_word("CHECK") && !is_word("NOT") && !is_word("NULL"))
            return fail(902);
        if (accept_word("DEFAULT")) {
            if (is_word("ON") && word_at(1, "NULL")) {
                p_ += 2;
                c->default_on_null = true;
            }
            if (!expr(&c->default_value)) return false;
        } else if (cname.empty() && (is_word("GENERATED") || is_word("AS"))) {
            if (!generated_clause(c)) return false;
        } else if (is_word("NOT")) {
            ++p_;
            if (!expect_word("NULL", 905)) return false;
            c->not_null = true;
            c->not_null_name = cname;
            if (!constraint_state(&c->not_null_state)) return false;
        } else if (accept_word("NULL")) {
        } else if (accept_word("PRIMARY")) {
            if (!expect_word("KEY", 905)) return false;
            c->primary_key = true;
            c->primary_key_name = cname;
            if (!constraint_state(&c->primary_key_state)) return false;
        } else if (accept_word("UNIQUE")) {
            c->unique = true;
            c->unique_name = cname;
            if (!constraint_state(&c->unique_state)) return false;
        } else if (accept_word("REFERENCES")) {
            c->references_name = cname;
            if (!table_ref(&c->references)) return false;
            if (is_op("(") && !name_list(&c->ref_columns)) return false;
            if (accept_word("ON")) {
                if (!expect_word("DELETE", 905)) return false;
                if (accept_word("CASCADE"))
                    c->on_delete = "CASCADE";
                else if (accept_word("SET")) {
                    if (!expect_word("NULL", 905)) return false;
                    c->on_delete = "SET NULL";
                } else
                    return fail(905);
            }
            if (!constraint_state(&c->references_state)) return false;
        } else if (accept_word("CHECK")) {
            c->check_name = cname;
            if (!expect_op("(", 906)) return false;
            if (!expr(&c->check)) return false;
            if (!expect_op(")", 907)) return false;
            if (!constraint_state(&c->check_state)) return false;
        } else {
            break;
        }
    }
    return true;
}

// The state after a constraint: ENABLE / DISABLE, VALIDATE / NOVALIDATE, RELY,
// [NOT] DEFERRABLE, INITIALLY IMMEDIATE or DEFERRED and USING INDEX with the index's
// physical attributes. What the engine does not keep (DISABLE VALIDATE, an index named or
// created for the key) is refused with ORA-03001; which constraints can be checked at
// COMMIT the translator decides.
bool Parser::constraint_state(ConstraintState* st) {
    bool validate = false;
    bool not_deferrable = false;
    for (;;) {
        if (accept_word("ENABLE")) {
            st->disabled = false;
        } else if (accept_word("DISABLE")) {
            st->disabled = true;
        } else if (accept_word("VALIDATE")) {
            st->novalidate = false;
            validate = true;
        } else if (accept_word("NOVALIDATE")) {
            st->novalidate = true;
        } else if (accept_word("RELY") || accept_word("NORELY")) {
        } else if (is_word("NOT") && word_at(1, "DEFERRABLE")) {
            p_ += 2;
            if (st->deferred) return fail(2447);
            st->deferrable = false;
            not_deferrable = true;
        } else if (accept_word("DEFERRABLE")) {
            st->deferrable = true;
        } else if (accept_word("INITIALLY")) {
            st->deferred = accept_word("DEFERRED");
            if (!st->deferred && !expect_word("IMMEDIATE", 905)) return false;
            if (st->deferred && not_deferrable) return fail(2447);
            if (st->deferred) st->deferrable = true;
        } else if (accept_word("USING")) {
            if (!expect_word("INDEX", 968)) return false;
            StorageClause ignored;
            if (!index_properties(&ignored)) return false;
            if (is_op("(") ||
                (cur().kind == TokenKind::Word && !is_word("ENABLE") && !is_word("DISABLE") && !is_word("VALIDATE") &&
                 !is_word("NOVALIDATE") && !is_word("NOT") && !is_word("DEFERRABLE") && !is_word("INITIALLY") &&
                 !is_word("RELY") && !is_word("NORELY") && !is_word("CONSTRAINT") && !is_word("PRIMARY") &&
                 !is_word("UNIQUE") && !is_word("REFERENCES") && !is_word("CHECK") && !is_word("DEFAULT") &&
                 !is_word("NULL")))
                return fail(3001);
        } else if (is_word("EXCEPTIONS")) {
            return fail(3001);
        } else {
            break;
        }
    }
    if (st->disabled && validate) return fail(3001);
    if (st->disabled) st->novalidate = true;
    return true;
}

bool Parser::table_constraint(TableConstraint* c) {
    c->offset = cur().offset;
    if (accept_word("CONSTRAINT") && !identifier(&c->name)) return fail(902);
    if (accept_word("PRIMARY")) {
        if (!expect_word("KEY", 905)) return false;
        c->kind = TableConstraint::Kind::PrimaryKey;
        return name_list(&c->columns) && constraint_state(&c->state);
    }
    if (accept_word("UNIQUE")) {
        c->kind = TableConstraint::Kind::Unique;
        return name_list(&c->columns) && constraint_state(&c->state);
    }
    if (accept_word("FOREIGN")) {
        if (!expect_word("KEY", 905)) return false;
        c->kind = TableConstraint::Kind::ForeignKey;
        if (!name_list(&c->columns)) return false;
        if (!expect_word("REFERENCES", 905)) return false;
        if (!table_ref(&c->references)) return false;
        if (is_op("(") && !name_list(&c->ref_columns)) return false;
        if (accept_word("ON")) {
            if (!expect_word("DELETE", 905)) return false;
            if (accept_word("CASCADE"))
                c->on_delete = "CASCADE";
            else if (accept_word("SET")) {
                if (!expect_word("NULL", 905)) return false;
                c->on_delete = "SET NULL";
            } else
                return fail(905);
        }
        return constraint_state(&c->state);
    }
    if (accept_word("CHECK")) {
        c->kind = TableConstraint::Kind::Check;
        if (!expect_op("(", 906)) return false;
        if (!expr(&c->check)) return false;
        return expect_op(")", 907) && constraint_state(&c->state);
    }
    return fail(904, "\"" + cur().text + "\"");
}

bool Parser::create(Statement* s) {
    ++p_;
    if (is_word("OR") && !word_at(1, "REPLACE")) {
        ++p_;
        return fail(922);
    }
    bool temporary = false;
    if (is_word("GLOBAL") && word_at(1, "TEMPORARY")) {
        p_ += 2;
        if (!is_word("TABLE")) return fail(901);
        temporary = true;
        s->temporary_duration = "SYS$TRANSACTION";
    }
    if (!temporary && accept_word("USER")) {
        s->kind = StatementKind::CreateUser;
        return access_name(&s->access.name, &s->access.name_offset) && user_clauses(&s->access, true);
    }
    if (!temporary && accept_word("ROLE")) {
        s->kind = StatementKind::CreateRole;
        if (!access_name(&s->access.name, &s->access.name_offset)) return false;
        if (accept_word("NOT")) return expect_word("IDENTIFIED", 922);
        return true;
    }
    if (!temporary && is_word("MATERIALIZED") && word_at(1, "VIEW")) {
        p_ += 2;
        return materialized_view(s);
    }
    if (accept_word("TABLE")) {
        s->kind = StatementKind::CreateTable;
        if (!table_ref(&s->table)) return false;
        if (temporary && !on_commit_clause(s)) return false;
        if (accept_word("AS")) {
            // The query may declare PL/SQL functions (AS WITH FUNCTION ...), as a query of its own may.
            top_query_ = true;
            return select(&s->select);
        }
        if (accept_word("OF")) return object_table(s) && table_clauses(s);
        if (!expect_op("(", 906)) return false;
        do {
            if (is_word("CONSTRAINT") || is_word("PRIMARY") || is_word("UNIQUE") || is_word("FOREIGN") ||
                is_word("CHECK")) {
                TableConstraint c;
                if (!table_constraint(&c)) return false;
                s->constraints.push_back(std::move(c));
            } else {
                ColumnDef c;
                if (!column_def(&c)) return false;
                s->column_defs.push_back(std::move(c));
            }
        } while (accept_op(","));
        if (!expect_op(")", 907)) return false;
        if (!table_clauses(s)) return false;
        return !temporary || (on_commit_clause(s) && table_clauses(s));
    }
    bool bitmap = accept_word("BITMAP");
    bool unique = !bitmap && accept_word("UNIQUE");
    if (bitmap && !is_word("INDEX")) return fail(901);
    if (accept_word("INDEX")) {
        s->kind = StatementKind::CreateIndex;
        s->unique = unique;
        if (bitmap) s->storage.index_type = "BITMAP";
        if (!table_ref(&s->index)) return false;
        if (!expect_word("ON", 969)) return false;
        if (!table_ref(&s->table)) return false;
        if (!expect_op("(", 906)) return false;
        // Each key is a column or an expression over the table's columns (a function-based key).
        do {
            std::uint32_t off = cur().offset;
            ExprPtr key;
            if (!expr(&key)) return false;
            bool column = key->kind == ExprKind::Column && key->path.size() == 1;
            s->columns.push_back(column ? key->path[0] : std::string());
            s->column_offsets.push_back(off);
            s->index_exprs.push_back(column ? nullptr : std::move(key));
            bool desc = accept_word("DESC");
            if (!desc) accept_word("ASC");
            s->column_desc.push_back(desc);
        } while (accept_op(","));
        if (!expect_op(")", 907)) return false;
        return index_properties(&s->storage);
    }
    return fail(unique ? 968 : 901);
}

// CREATE TABLE name OF [schema.]type [(attribute constraints | table constraints, ...)]
// [OBJECT IDENTIFIER IS SYSTEM GENERATED | PRIMARY KEY]: an attribute named in the list
// takes inline constraints and a default, not a datatype.
bool Parser::object_table(Statement* s) {
    s->object_table = true;
    if (!table_ref(&s->of_type)) return false;
    if (accept_op("(")) {
        do {
            if (is_word("CONSTRAINT") || is_word("PRIMARY") || is_word("UNIQUE") || is_word("FOREIGN") ||
                is_word("CHECK")) {
                TableConstraint c;
                if (!table_constraint(&c)) return false;
                s->constraints.push_back(std::move(c));
                continue;
            }
            ColumnDef c;
            c.offset = cur().offset;
            if (!identifier(&c.name)) return fail(904, "\"" + cur().text + "\"");
            c.has_type = false;
            if (!column_constraints(&c)) return false;
            s->column_defs.push_back(std::move(c));
        } while (accept_op(","));
        if (!expect_op(")", 907)) return false;
    }
    if (accept_word("OBJECT")) {
        if (!expect_word("IDENTIFIER", 905) || !expect_word("IS", 905)) return false;
        if (accept_word("SYSTEM")) {
            if (!expect_word("GENERATED", 905)) return false;
        } else if (!accept_word("PRIMARY") || !expect_word("KEY", 905)) {
            return fail(905);
        }
    }
    return true;
}

// CREATE MATERIALIZED VIEW name [(columns)] [physical clauses] [BUILD IMMEDIATE | DEFERRED]
// [REFRESH [FAST | COMPLETE | FORCE] [ON DEMAND | ON COMMIT] [START WITH date] [NEXT date] |
// NEVER REFRESH] [ENABLE | DISABLE QUERY REWRITE] AS query, or CREATE MATERIALIZED VIEW LOG
// ON table [WITH ROWID | PRIMARY KEY | SEQUENCE | (columns), ...] [INCLUDING | EXCLUDING NEW
// VALUES]. The view is a table of the query's rows.
bool Parser::materialized_view(Statement* s) {
    s->kind = StatementKind::CreateTable;
    Statement::Mview& m = s->mview;
    if (accept_word("LOG")) {
        m.kind = Statement::Mview::Kind::Log;
        if (!expect_word("ON", 969) || !table_ref(&s->table)) return false;
        for (;;) {
            storage_clauses(&s->storage, false);
            if (accept_word("WITH") || accept_op(",")) {
                std::vector<std::string> cols;
                if (is_op("(")) {
                    if (!name_list(&cols)) return false;
                } else if (accept_word("PRIMARY")) {
                    if (!expect_word("KEY", 905)) return false;
                } else if (!accept_word("ROWID") && !accept_word("SEQUENCE") && !accept_word("OBJECT")) {
                    return fail(905);
                } else {
                    accept_word("ID");
                }
                if (is_op("(") && !name_list(&cols)) return false;
                continue;
            }
            if (accept_word("INCLUDING") || accept_word("EXCLUDING")) {
                if (!expect_word("NEW", 905) || !expect_word("VALUES", 905)) return false;
                continue;
            }
            if (accept_word("PURGE")) {
                if (!accept_word("IMMEDIATE")) return fail(905);
                accept_word("SYNCHRONOUS") || accept_word("ASYNCHRONOUS");
                continue;
            }
            return true;
        }
    }
    m.kind = Statement::Mview::Kind::View;
    if (!table_ref(&s->table)) return false;
    if (is_op("(") && !name_list(&m.columns)) return false;
    for (;;) {
        storage_clauses(&s->storage, false);
        if (table_attribute()) {
            if (failed_) return false;
            continue;
        }
        if (accept_word("BUILD")) {
            if (accept_word("IMMEDIATE"))
                m.build_mode = "IMMEDIATE";
            else if (accept_word("DEFERRED"))
                m.build_mode = "DEFERRED";
            else
                return fail(905);
        } else if (is_word("NEVER") && word_at(1, "REFRESH")) {
            p_ += 2;
            m.refresh_method = "NEVER";
            m.refresh_mode = "NEVER";
        } else if (accept_word("REFRESH")) {
            for (;;) {
                if (accept_word("FAST")) {
                    m.refresh_method = "FAST";
                } else if (accept_word("COMPLETE")) {
                    m.refresh_method = "COMPLETE";
                } else if (accept_word("FORCE")) {
                    m.refresh_method = "FORCE";
                } else if (accept_word("ON")) {
                    if (accept_word("DEMAND")) {
                        m.refresh_mode = "DEMAND";
                    } else if (is_word("COMMIT")) {
                        // Nothing refreshes the rows when a base table's transaction commits.
                        return fail(12054);
                    } else {
                        return fail(905);
                    }
                } else if (is_word("START") && word_at(1, "WITH")) {
                    p_ += 2;
                    ExprPtr when;
                    if (!expr(&when)) return false;
                } else if (accept_word("NEXT")) {
                    ExprPtr when;
                    if (!expr(&when)) return false;
                } else if (accept_word("WITH")) {
                    if (accept_word("PRIMARY")) {
                        if (!expect_word("KEY", 905)) return false;
                    } else if (!accept_word("ROWID")) {
                        return fail(905);
                    }
                } else {
                    break;
                }
            }
        } else if (is_word("ENABLE") || is_word("DISABLE")) {
            m.rewrite = is_word("ENABLE");
            ++p_;
            if (!expect_word("QUERY", 905) || !expect_word("REWRITE", 905)) return false;
        } else if (accept_word("USING")) {
            if (!accept_word("INDEX") && !(accept_word("NO") && accept_word("INDEX"))) return fail(905);
        } else if (accept_word("FOR")) {
            if (!expect_word("UPDATE", 905)) return false;
            return fail(3001);
        } else {
            break;
        }
    }
    if (!expect_word("AS", 905)) return false;
    m.query_offset = cur().offset;
    return select(&s->select);
}

// A temporary table's ON COMMIT DELETE ROWS or ON COMMIT PRESERVE ROWS, when given.
bool Parser::on_commit_clause(Statement* s) {
    if (!is_word("ON") || !word_at(1, "COMMIT")) return true;
    p_ += 2;
    if (accept_word("DELETE"))
        s->temporary_duration = "SYS$TRANSACTION";
    else if (accept_word("PRESERVE"))
        s->temporary_duration = "SYS$SESSION";
    else
        return fail(905);
    return expect_word("ROWS", 905);
}

// The physical clauses after a table's columns: storage, ORGANIZATION HEAP or INDEX and an
// index-organized table's own clauses (PCTTHRESHOLD, COMPRESS, INCLUDING, OVERFLOW with
// its storage, MAPPING TABLE), in any order. The engine keeps every table in SQLite's own
// organization; the dictionary shows the organization declared.
bool Parser::table_clauses(Statement* s) {
    for (;;) {
        storage_clauses(&s->storage, false);
        if (is_word("PARTITION") && word_at(1, "BY")) {
            if (!s->partitioning.method.empty() || !s->temporary_duration.empty()) return fail(933);
            if (!partition_by(&s->partitioning)) return false;
            continue;
        }
        if (s->organization != "INDEX" && table_attribute()) {
            if (failed_) return false;
            continue;
        }
        if (is_word("ORGANIZATION")) {
            s->organization_offset = cur().offset;
            ++p_;
            if (accept_word("HEAP")) {
                s->organization = "HEAP";
            } else if (accept_word("INDEX")) {
                s->organization = "INDEX";
            } else {
                return fail(3001);
            }
            continue;
        }
        if (s->organization != "INDEX") return true;
        long long n = 0;
        if (accept_word("PCTTHRESHOLD")) {
            if (!size(&n)) return fail(1722);
        } else if (accept_word("COMPRESS")) {
            if (cur().kind == TokenKind::Number) size(&n);
        } else if (accept_word("INCLUDING")) {
            std::string column;
            if (!identifier(&column)) return fail(904, "\"" + cur().text + "\"");
        } else if (accept_word("OVERFLOW")) {
            StorageClause overflow;
            storage_clauses(&overflow, false);
        } else if (accept_word("MAPPING")) {
            if (!expect_word("TABLE", 905)) return false;
        } else if (!accept_word("NOCOMPRESS") && !accept_word("NOMAPPING")) {
            return true;
        }
    }
}

// The table attributes that change nothing here: COMPRESS, PARALLEL, CACHE, ROW MOVEMENT,
// MONITORING, SEGMENT CREATION and a LOB's storage. True when one was read (failed_ set
// when it was malformed).
bool Parser::table_attribute() {
    long long n = 0;
    if (accept_word("COMPRESS")) {
        if (accept_word("FOR")) {
            if (!accept_word("OLTP") && !accept_word("ALL") && !accept_word("DIRECT_LOAD") && !accept_word("QUERY") &&
                !accept_word("ARCHIVE"))
                return fail(905);
            accept_word("OPERATIONS");
            if (!accept_word("LOW")) accept_word("HIGH");
        } else if (!accept_word("BASIC") && cur().kind == TokenKind::Number) {
            size(&n);
        }
        return true;
    }
    if (accept_word("PARALLEL")) {
        if (cur().kind == TokenKind::Number) size(&n);
        return true;
    }
    if (accept_word("NOCOMPRESS") || accept_word("NOPARALLEL") || accept_word("CACHE") || accept_word("NOCACHE") ||
        accept_word("MONITORING") || accept_word("NOMONITORING") || accept_word("ROWDEPENDENCIES") ||
        accept_word("NOROWDEPENDENCIES"))
        return true;
    if ((is_word("ENABLE") || is_word("DISABLE")) && word_at(1, "ROW")) {
        p_ += 2;
        return expect_word("MOVEMENT", 905) || true;
    }
    if (is_word("SEGMENT") && word_at(1, "CREATION")) {
        p_ += 2;
        if (!accept_word("IMMEDIATE") && !accept_word("DEFERRED")) fail(905);
        return true;
    }
    if (is_word("NESTED") && word_at(1, "TABLE")) {
        // NESTED TABLE column STORE AS name [RETURN [AS] LOCATOR|VALUE] [(storage)]: the
        // elements stay in the column's value; the storage table is not made.
        p_ += 2;
        std::string column, storage;
        if (!identifier(&column)) return fail(904, "\"" + cur().text + "\""), true;
        if (!expect_word("STORE", 905) || !expect_word("AS", 905)) return true;
        if (!identifier(&storage)) return fail(903), true;
        if (accept_word("RETURN")) {
            accept_word("AS");
            if (!accept_word("LOCATOR") && !accept_word("VALUE")) return fail(905), true;
        }
        if (is_op("(")) paren_list_skip();
        return true;
    }
    if (is_word("LOB") && t_.size() > p_ + 1 && t_[p_ + 1].text == "(") {
        ++p_;
        std::vector<std::string> lobs;
        if (!name_list(&lobs, nullptr) || !expect_word("STORE", 905) || !expect_word("AS", 905)) return true;
        accept_word("SECUREFILE") || accept_word("BASICFILE");
        std::string segment;
        if (!is_op("(") && cur().kind != TokenKind::Operator) identifier(&segment);
        if (is_op("(")) paren_list_skip();
        return true;
    }
    return false;
}

// A parenthesised list whose contents the engine has no use for (a LOB's storage
// parameters), balanced; fails at the end of the statement when it is not closed.
bool Parser::paren_list_skip() {
    ++p_;  // (
    for (int depth = 1; depth > 0; ++p_) {
        if (at_end()) return fail(907);
        if (is_op("(")) ++depth;
        if (is_op(")")) --depth;
    }
    return true;
}

// A partition's or subpartition's physical attributes: the storage clauses and COMPRESS.
void Parser::segment_attributes(StorageClause* st) {
    for (;;) {
        storage_clauses(st, false);
        if (is_word("COMPRESS") || is_word("NOCOMPRESS")) {
            table_attribute();
            continue;
        }
        return;
    }
}

// PARTITION BY RANGE (columns) [INTERVAL (expr)], LIST (column) or HASH (columns), an
// optional SUBPARTITION BY, then the partitions: (PARTITION ..., ...) or, for HASH,
// PARTITIONS n [STORE IN (tablespaces)].
bool Parser::partition_by(Partitioning* p) {
    p_ += 2;  // PARTITION BY
    p->offset = cur().offset;
    if (!accept_word("RANGE") && !accept_word("LIST") && !accept_word("HASH")) return fail(3001);
    p->method = t_[p_ - 1].text;
    if (!is_op("(")) return fail(906);
    if (!name_list(&p->columns, &p->column_offsets)) return false;
    if (p->method == "RANGE" && accept_word("INTERVAL")) {
        if (!expect_op("(", 906) || !expr(&p->interval) || !expect_op(")", 907)) return false;
        if (accept_word("STORE")) {
            std::vector<std::string> spaces;
            if (!expect_word("IN", 905) || !name_list(&spaces, nullptr)) return false;
        }
    }
    if (is_word("SUBPARTITION") && word_at(1, "BY") && !subpartition_by(p)) return false;
    if (p->method == "HASH" && accept_word("PARTITIONS")) {
        long long n = 0;
        if (!size(&n)) return fail(1722);
        if (n < 1 || n > 1048575) return fail(1722);
        for (long long i = 1; i <= n; ++i) p->partitions.emplace_back();
        if (accept_word("STORE")) {
            std::vector<std::string> spaces;
            if (!expect_word("IN", 905) || !name_list(&spaces, nullptr)) return false;
        }
        segment_attributes(&p->partitions.front().storage);
        return true;
    }
    if (!expect_op("(", 906)) return false;
    do {
        p->partitions.emplace_back();
        if (!partition_def(p, &p->partitions.back())) return false;
    } while (accept_op(","));
    return expect_op(")", 907);
}

// SUBPARTITION BY RANGE | LIST | HASH (columns) [SUBPARTITIONS n [STORE IN (...)]]
// [SUBPARTITION TEMPLATE (subpartitions) | SUBPARTITION TEMPLATE n].
bool Parser::subpartition_by(Partitioning* p) {
    p_ += 2;
    if (!accept_word("RANGE") && !accept_word("LIST") && !accept_word("HASH")) return fail(3001);
    p->sub_method = t_[p_ - 1].text;
    if (!is_op("(")) return fail(906);
    if (!name_list(&p->sub_columns, nullptr)) return false;
    long long n = 0;
    if (accept_word("SUBPARTITIONS")) {
        if (!size(&n)) return fail(1722);
        p->sub_count = static_cast<int>(n);
        if (accept_word("STORE")) {
            std::vector<std::string> spaces;
            if (!expect_word("IN", 905) || !name_list(&spaces, nullptr)) return false;
        }
    }
    if (is_word("SUBPARTITION") && word_at(1, "TEMPLATE")) {
        p_ += 2;
        if (cur().kind == TokenKind::Number) {
            size(&n);
            p->sub_count = static_cast<int>(n);
        } else {
            std::size_t before = p_;
            if (!is_op("(")) return fail(906);
            if (!subpartition_list()) return false;
            int count = 0;
            for (std::size_t i = before; i < p_; ++i) count += t_[i].text == "SUBPARTITION";
            p->sub_count = count;
        }
    }
    return true;
}

// (SUBPARTITION [name] [VALUES ...] [attributes], ...): read and checked for its form; the
// rows of a table are bounded by its partitions only.
bool Parser::subpartition_list() {
    ++p_;  // (
    do {
        if (!expect_word("SUBPARTITION", 14004)) return false;
        std::string name;
        if (!is_word("VALUES") && !is_word("TABLESPACE") && cur().kind != TokenKind::Operator) identifier(&name);
        if (accept_word("VALUES")) {
            if (accept_word("LESS") && !expect_word("THAN", 905)) return false;
            if (!is_op("(")) return fail(906);
            if (!paren_list_skip()) return false;
        }
        StorageClause st;
        segment_attributes(&st);
    } while (accept_op(","));
    return expect_op(")", 907);
}

// PARTITION [name] [VALUES LESS THAN (bounds) | VALUES (values | DEFAULT)] [attributes]
// [(subpartitions) | SUBPARTITIONS n [STORE IN (...)]].
bool Parser::partition_def(Partitioning* p, PartitionDef* d) {
    d->offset = cur().offset;
    if (!expect_word("PARTITION", 14004)) return false;
    if (!is_word("VALUES") && !is_word("TABLESPACE") && !is_word("UPDATE") && cur().kind != TokenKind::Operator &&
        !at_end()) {
        d->offset = cur().offset;
        if (!identifier(&d->name)) return fail(14006);
    }
    if (p->method == "RANGE") {
        if (!expect_word("VALUES", 905) || !expect_word("LESS", 905) || !expect_word("THAN", 905)) return false;
        if (!is_op("(")) return fail(906);
        d->values_offset = t_[p_ + 1].offset;
        ++p_;
        do {
            if (accept_word("MAXVALUE")) {
                d->values.emplace_back();
                continue;
            }
            ExprPtr v;
            if (!expr(&v)) return false;
            d->values.push_back(std::move(v));
        } while (accept_op(","));
        d->values_end = cur().offset;
        if (!expect_op(")", 907)) return false;
    } else if (p->method == "LIST") {
        if (!expect_word("VALUES", 905)) return false;
        if (!is_op("(")) return fail(906);
        d->values_offset = t_[p_ + 1].offset;
        ++p_;
        if (accept_word("DEFAULT")) {
            d->is_default = true;
        } else {
            do {
                ExprPtr v;
                if (!expr(&v)) return false;
                d->values.push_back(std::move(v));
            } while (accept_op(","));
        }
        d->values_end = cur().offset;
        if (!expect_op(")", 907)) return false;
    }
    segment_attributes(&d->storage);
    if (is_op("(") && t_.size() > p_ + 1 && t_[p_ + 1].text == "SUBPARTITION") {
        std::size_t before = p_;
        if (!subpartition_list()) return false;
        for (std::size_t i = before; i < p_; ++i) d->subpartitions += t_[i].text == "SUBPARTITION";
    } else if (accept_word("SUBPARTITIONS")) {
        long long n = 0;
        if (!size(&n)) return fail(1722);
        d->subpartitions = static_cast<int>(n);
        if (accept_word("STORE")) {
            std::vector<std::string> spaces;
            if (!expect_word("IN", 905) || !name_list(&spaces, nullptr)) return false;
        }
    } else {
        d->subpartitions = p->sub_method.empty() ? 0 : (p->sub_count > 0 ? p->sub_count : 1);
    }
    return true;
}

// A size: a number with an optional K, M or G suffix.
bool Parser::size(long long* out) {
    if (cur().kind != TokenKind::Number) return false;
    double v = std::atof(cur().text.c_str());
    ++p_;
    if (accept_word("K"))
        v *= 1024;
    else if (accept_word("M"))
        v *= 1024 * 1024;
    else if (accept_word("G"))
        v *= 1024.0 * 1024 * 1024;
    *out = static_cast<long long>(v);
    return true;
}

// The STORAGE ( ... ) parameters; false when one is not understood.
bool Parser::storage_parameters(StorageClause* st) {
    if (!accept_op("(")) return false;
    while (!accept_op(")")) {
        if (accept_word("INITIAL")) {
            if (!size(&st->initial)) return false;
        } else if (accept_word("NEXT")) {
            if (!size(&st->next)) return false;
        } else if (accept_word("MINEXTENTS")) {
            if (!size(&st->min_extents)) return false;
        } else if (accept_word("MAXEXTENTS")) {
            if (accept_word("UNLIMITED"))
                st->max_extents = 2147483645;
            else if (!size(&st->max_extents))
                return false;
        } else if (accept_word("PCTINCREASE")) {
            if (!size(&st->pct_increase)) return false;
        } else if (accept_word("FREELISTS")) {
            if (!size(&st->freelists)) return false;
        } else if (accept_word("FREELIST")) {
            if (!accept_word("GROUPS") || !size(&st->freelist_groups)) return false;
        } else if (accept_word("BUFFER_POOL")) {
            if (!is_word("KEEP") && !is_word("RECYCLE") && !is_word("DEFAULT")) return false;
            st->buffer_pool = cur().text;
            ++p_;
        } else if (accept_word("FLASH_CACHE") || accept_word("CELL_FLASH_CACHE")) {
            // Exadata's cache hints: no storage here, so only their form is checked.
            if (!is_word("KEEP") && !is_word("NONE") && !is_word("DEFAULT")) return false;
            ++p_;
        } else {
            return false;
        }
    }
    return true;
}

// TABLESPACE, PCTFREE, PCTUSED, INITRANS, MAXTRANS, STORAGE (...), [NO]LOGGING and, for an
// index, [NO]REVERSE and COMPUTE STATISTICS, in any order. A clause that is not understood
// ends the list at its first token, which the statement's end check then refuses.
void Parser::storage_clauses(StorageClause* st, bool index) {
    for (;;) {
        std::size_t start = p_;
        bool ok = true;
        if (accept_word("TABLESPACE")) {
            ok = cur().kind == TokenKind::Word || cur().kind == TokenKind::QuotedWord;
            if (ok) st->tablespace = cur().text;
            ++p_;
        } else if (accept_word("PCTFREE")) {
            ok = size(&st->pct_free);
        } else if (accept_word("PCTUSED")) {
            ok = size(&st->pct_used);
        } else if (accept_word("INITRANS")) {
            ok = size(&st->ini_trans);
        } else if (accept_word("MAXTRANS")) {
            ok = size(&st->max_trans);
        } else if (accept_word("STORAGE")) {
            ok = storage_parameters(st);
        } else if (accept_word("LOGGING")) {
            st->logging = "YES";
        } else if (accept_word("NOLOGGING")) {
            st->logging = "NO";
        } else if (index && accept_word("REVERSE")) {
            if (st->index_type.find("/REV") == std::string::npos) st->index_type += "/REV";
        } else if (index && accept_word("NOREVERSE")) {
        } else if (index && accept_word("COMPUTE")) {
            ok = accept_word("STATISTICS");
        } else {
            return;
        }
        if (!ok) {
            p_ = start;
            return;
        }
    }
}

// An index's properties in any order: the storage clauses, COMPRESS [n] / NOCOMPRESS,
// PARALLEL [n] / NOPARALLEL, ONLINE, VISIBLE / INVISIBLE, SORT / NOSORT and LOCAL [(PARTITION
// [name] [attributes], ...)]. A globally partitioned index (GLOBAL PARTITION BY) is not kept.
bool Parser::index_properties(StorageClause* st) {
    for (;;) {
        storage_clauses(st, true);
        if (accept_word("COMPRESS")) {
            st->compression = "ENABLED";
            if (cur().kind == TokenKind::Number && !size(&st->prefix_length)) return false;
        } else if (accept_word("NOCOMPRESS")) {
            st->compression = "DISABLED";
        } else if (accept_word("PARALLEL")) {
            st->degree = "DEFAULT";
            if (cur().kind == TokenKind::Number) {
                long long n = 0;
                if (!size(&n)) return false;
                st->degree = std::to_string(n);
            }
        } else if (accept_word("NOPARALLEL")) {
            st->degree = "1";
        } else if (accept_word("VISIBLE") || accept_word("INVISIBLE")) {
            st->visibility = t_[p_ - 1].text;
        } else if (accept_word("ONLINE") || accept_word("SORT") || accept_word("NOSORT")) {
        } else if (is_word("LOCAL")) {
            if (st->local) return fail(933);
            st->local = true;
            st->local_offset = cur().offset;
            ++p_;
            if (!accept_op("(")) continue;
            do {
                if (!expect_word("PARTITION", 14004)) return false;
                std::string name;
                if (cur().kind == TokenKind::Word || cur().kind == TokenKind::QuotedWord) {
                    if (!is_word("TABLESPACE") && !is_word("PCTFREE") && !is_word("INITRANS") && !is_word("STORAGE") &&
                        !is_word("LOGGING") && !is_word("NOLOGGING") && !is_word("COMPRESS") &&
                        !is_word("NOCOMPRESS") && !identifier(&name))
                        return fail(14006);
                }
                st->local_partitions.push_back(name);
                StorageClause ignored;
                storage_clauses(&ignored, true);
                accept_word("COMPRESS") || accept_word("NOCOMPRESS");
                storage_clauses(&ignored, true);
            } while (accept_op(","));
            if (!expect_op(")", 907)) return false;
        } else if (is_word("GLOBAL")) {
            if (word_at(1, "PARTITION")) return fail(3001);
            return fail(933);
        } else {
            return true;
        }
    }
}

// ALTER INDEX [owner.]name REBUILD [PARTITION p] [attributes], UNUSABLE, VISIBLE,
// INVISIBLE, RENAME TO new, PARALLEL [n] / NOPARALLEL, COMPILE, or its physical attributes.
bool Parser::alter_index(Statement* s) {
    s->kind = StatementKind::AlterIndex;
    if (!table_ref(&s->index)) return false;
    s->name_offset = cur().offset;
    if (accept_word("REBUILD")) {
        s->alter_action = "REBUILD";
        if (accept_word("PARTITION")) {
            s->name_offset = cur().offset;
            if (!identifier(&s->name)) return fail(14006);
        }
        return index_properties(&s->storage);
    }
    if (accept_word("RENAME")) {
        if (!expect_word("TO", 905)) return false;
        s->alter_action = "RENAME";
        s->name_offset = cur().offset;
        return identifier(&s->name) || fail(903);
    }
    for (const char* action : {"UNUSABLE", "VISIBLE", "INVISIBLE", "COMPILE"})
        if (accept_word(action)) {
            s->alter_action = action;
            return true;
        }
    std::size_t start = p_;
    s->alter_action = "ATTRIBUTES";
    if (!index_properties(&s->storage)) return false;
    if (p_ == start || s->storage.local || s->storage.index_type != "NORMAL") return fail(2243);
    return true;
}

bool Parser::drop(Statement* s) {
    ++p_;
    if (is_word("MATERIALIZED") && word_at(1, "VIEW")) {
        p_ += 2;
        s->kind = StatementKind::DropTable;
        if (accept_word("LOG")) {
            s->mview.kind = Statement::Mview::Kind::Log;
            return expect_word("ON", 969) && table_ref(&s->table);
        }
        s->mview.kind = Statement::Mview::Kind::View;
        if (!table_ref(&s->table)) return false;
        if (accept_word("PRESERVE")) {
            if (!expect_word("TABLE", 905)) return false;
            s->mview.preserve_table = true;
        }
        return true;
    }
    if (accept_word("TABLE")) {
        s->kind = StatementKind::DropTable;
        if (!table_ref(&s->table)) return false;
        if (accept_word("CASCADE")) {
            if (!expect_word("CONSTRAINTS", 905)) return false;
        }
        accept_word("PURGE");
        return true;
    }
    if (accept_word("INDEX")) {
        s->kind = StatementKind::DropIndex;
        return table_ref(&s->index);
    }
    if (accept_word("USER")) {
        s->kind = StatementKind::DropUser;
        if (!access_name(&s->access.name, &s->access.name_offset)) return false;
        s->access.cascade = accept_word("CASCADE");
        return true;
    }
    if (accept_word("ROLE")) {
        s->kind = StatementKind::DropRole;
        return access_name(&s->access.name, &s->access.name_offset);
    }
    return fail(950);
}

// ALTER SESSION SET name = value [name = value ...], and ENABLE | DISABLE | FORCE
// PARALLEL DML | DDL | QUERY [PARALLEL n], which change nothing here: statements run
// serially either way. Which names and values exist is the translator's to check.
// SET TRANSACTION (the two words read): READ ONLY | READ WRITE | ISOLATION LEVEL
// SERIALIZABLE | READ COMMITTED | USE ROLLBACK SEGMENT name, then NAME 'text', or NAME
// 'text' alone.
bool Parser::set_transaction(Statement* s) {
    bool named_only = is_word("NAME");
    if (accept_word("READ")) {
        s->transaction_read_only = accept_word("ONLY");
        if (!s->transaction_read_only && !expect_word("WRITE", 905)) return false;
    } else if (accept_word("ISOLATION")) {
        if (!expect_word("LEVEL", 905)) return false;
        if (!accept_word("SERIALIZABLE") && !(accept_word("READ") && accept_word("COMMITTED"))) return fail(2179);
    } else if (accept_word("USE")) {
        std::string segment;
        if (!expect_word("ROLLBACK", 905) || !expect_word("SEGMENT", 905)) return false;
        if (!identifier(&segment)) return fail(905);
    } else if (!named_only) {
        return fail(905);
    }
    if (accept_word("NAME")) {
        if (cur().kind != TokenKind::String) return fail(905);
        ++p_;
    }
    return true;
}

bool Parser::alter_session(Statement* s) {
    s->kind = StatementKind::AlterSession;
    bool force = is_word("FORCE");
    if (accept_word("ENABLE") || accept_word("DISABLE") || accept_word("FORCE")) {
        if (!expect_word("PARALLEL", 922)) return false;
        if (!accept_word("DML") && !accept_word("DDL") && !accept_word("QUERY")) return fail(922);
        if (force && accept_word("PARALLEL")) {
            if (cur().kind != TokenKind::Number) return fail(922);
            ++p_;
        }
        return true;
    }
    if (!expect_word("SET", 922)) return false;
    do {
        SessionSetting set;
        set.name_offset = cur().offset;
        if (cur().kind != TokenKind::Word && cur().kind != TokenKind::QuotedWord) return fail(922);
        set.name = cur().text;
        ++p_;
        if (!expect_op("=", 922)) return false;
        set.value_offset = cur().offset;
        TokenKind k = cur().kind;
        if (k != TokenKind::String && k != TokenKind::Word && k != TokenKind::QuotedWord && k != TokenKind::Number)
            return fail(922);
        set.value = cur().text;
        ++p_;
        s->settings.push_back(std::move(set));
    } while (cur().kind == TokenKind::Word || cur().kind == TokenKind::QuotedWord);
    return true;
}

bool Parser::alter(Statement* s) {
    ++p_;
    if (accept_word("SESSION")) return alter_session(s);
    if (accept_word("USER")) {
        s->kind = StatementKind::AlterUser;
        return access_name(&s->access.name, &s->access.name_offset) && user_clauses(&s->access, false);
    }
    if (accept_word("INDEX")) return alter_index(s);
    if (!accept_word("TABLE")) return fail(940);
    s->kind = StatementKind::AlterTable;
    if (!table_ref(&s->table)) return false;
    static const char* const kPartitionActions[] = {"TRUNCATE", "DROP", "ADD",    "RENAME",   "SPLIT", "MERGE",
                                                    "EXCHANGE", "MOVE", "MODIFY", "COALESCE", "SET"};
    for (const char* action : kPartitionActions)
        if (is_word(action) && (word_at(1, "PARTITION") || word_at(1, "SUBPARTITION") || word_at(1, "PARTITIONS")))
            return partition_change(s);
    if (accept_word("ADD")) {
        s->alter_action = "ADD";
        bool paren = accept_op("(");
        do {
            ColumnDef c;
            if (!column_def(&c)) return false;
            s->column_defs.push_back(std::move(c));
        } while (paren && accept_op(","));
        return !paren || expect_op(")", 907);
    }
    if (accept_word("DROP")) {
        s->alter_action = "DROP COLUMN";
        // DROP (c1, c2, ...): the columns in s->columns.
        if (accept_op("(")) {
            do {
                s->column_offsets.push_back(cur().offset);
                std::string n;
                if (!identifier(&n)) return fail(904, "\"" + cur().text + "\"");
                s->columns.push_back(n);
            } while (accept_op(","));
            s->name = s->columns[0];
            s->name_offset = s->column_offsets[0];
            return expect_op(")", 907);
        }
        if (!expect_word("COLUMN", 905)) return false;
        s->name_offset = cur().offset;
        return identifier(&s->name) || fail(904, "\"" + cur().text + "\"");
    }
    // MODIFY (column DEFAULT [ON NULL] expr): the only change of a column the SQL grammar
    // takes; NOT NULL is the dictionary's (dictionary_ddl.cpp).
    if (accept_word("MODIFY")) {
        bool paren = accept_op("(");
        ColumnDef c;
        c.offset = cur().offset;
        if (!identifier(&c.name)) return fail(904, "\"" + cur().text + "\"");
        if (!is_word("DEFAULT")) return fail(3001);
        ++p_;
        if (is_word("ON") && word_at(1, "NULL")) {
            p_ += 2;
            c.default_on_null = true;
        }
        if (!expr(&c.default_value)) return false;
        s->alter_action = "MODIFY DEFAULT";
        s->column_defs.push_back(std::move(c));
        return !paren || expect_op(")", 907);
    }
    if (accept_word("RENAME")) {
        if (accept_word("COLUMN")) {
            s->alter_action = "RENAME COLUMN";
            s->name_offset = cur().offset;
            if (!identifier(&s->name)) return fail(904, "\"" + cur().text + "\"");
            if (!expect_word("TO", 905)) return false;
            return identifier(&s->name2) || fail(904, "\"" + cur().text + "\"");
        }
        if (!expect_word("TO", 905)) return false;
        s->alter_action = "RENAME";
        s->name_offset = cur().offset;
        return identifier(&s->name) || fail(903);
    }
    return fail(3001);
}

// The partition names of TRUNCATE, DROP, MOVE and MODIFY PARTITION: name [, name ...].
bool Parser::partition_names(Statement::PartitionChange* c) {
    do {
        std::string n;
        c->name_offsets.push_back(cur().offset);
        if (!identifier(&n)) return fail(14006);
        c->names.push_back(n);
    } while (accept_op(","));
    return true;
}

// SPLIT PARTITION p AT (bounds) | VALUES (values) INTO (PARTITION [a] [attributes],
// PARTITION [b] [attributes]).
bool Parser::split_clause(Statement::PartitionChange* c) {
    if (accept_word("AT")) {
        c->split_list = false;
    } else if (accept_word("VALUES")) {
        c->split_list = true;
    } else {
        return fail(905);
    }
    if (!is_op("(")) return fail(906);
    c->split_offset = peek().offset;
    ++p_;
    do {
        ExprPtr v;
        if (!expr(&v)) return false;
        c->split_values.push_back(std::move(v));
    } while (accept_op(","));
    c->split_end = cur().offset;
    if (!expect_op(")", 907) || !expect_word("INTO", 905) || !expect_op("(", 906)) return false;
    do {
        PartitionDef d;
        d.offset = cur().offset;
        if (!expect_word("PARTITION", 14004)) return false;
        if (cur().kind == TokenKind::QuotedWord ||
            (cur().kind == TokenKind::Word && !is_word("TABLESPACE") && !is_word("PCTFREE") && !is_word("STORAGE") &&
             !is_word("LOGGING") && !is_word("NOLOGGING") && !is_word("COMPRESS") && !is_word("NOCOMPRESS"))) {
            d.offset = cur().offset;
            identifier(&d.name);
        }
        segment_attributes(&d.storage);
        c->partitions.push_back(std::move(d));
    } while (accept_op(","));
    if (c->partitions.size() != 2) return fail(c->partitions.size() < 2 ? 14004 : 3001);
    return expect_op(")", 907);
}

// ALTER TABLE t TRUNCATE | DROP PARTITION names, ADD PARTITION definitions, RENAME
// PARTITION a TO b, MOVE | MODIFY PARTITION p attributes, COALESCE PARTITION, each with
// the index clauses Oracle takes after it; SPLIT, MERGE and EXCHANGE. SET and the
// SUBPARTITION forms are refused (ORA-03001).
bool Parser::partition_change(Statement* s) {
    Statement::PartitionChange& c = s->partition_change;
    s->alter_action = "PARTITION";
    c.action = cur().text;
    c.offset = cur().offset;
    // PARTITIONS names several partitions, for MERGE, DROP and TRUNCATE.
    if (word_at(1, "SUBPARTITION") ||
        (word_at(1, "PARTITIONS") && c.action != "MERGE" && c.action != "DROP" && c.action != "TRUNCATE"))
        return fail(3001);
    if (c.action == "MERGE" && !word_at(1, "PARTITIONS")) return fail(905);
    if (c.action == "SET") return fail(3001);
    ++p_;
    if (c.action == "ADD") {
        do {
            // The bound's form tells RANGE from LIST (and no bound, HASH).
            Partitioning form;
            std::size_t k = 1;
            if ((peek(k).kind == TokenKind::Word && peek(k).text != "VALUES") || peek(k).kind == TokenKind::QuotedWord)
                ++k;
            if (word_at(k, "VALUES")) form.method = word_at(k + 1, "LESS") ? "RANGE" : "LIST";
            c.partitions.emplace_back();
            if (!partition_def(&form, &c.partitions.back())) return false;
        } while (accept_op(","));
    } else {
        ++p_;  // PARTITION
        if (is_word("FOR")) return fail(3001);
        if (c.action == "COALESCE") {
            // The last HASH partition: no name.
        } else if (c.action == "SPLIT") {
            if (!partition_names(&c) || !split_clause(&c)) return false;
        } else if (c.action == "EXCHANGE") {
            if (!partition_names(&c)) return false;
            if (c.names.size() > 1) return fail(933);
            if (!expect_word("WITH", 905) || !expect_word("TABLE", 905) || !table_ref(&c.exchange)) return false;
            if (accept_word("INCLUDING") || accept_word("EXCLUDING")) {
                c.including_indexes = t_[p_ - 1].text == "INCLUDING";
                if (!expect_word("INDEXES", 905)) return false;
            }
            if (accept_word("WITH") || accept_word("WITHOUT")) {
                c.without_validation = t_[p_ - 1].text == "WITHOUT";
                if (!expect_word("VALIDATION", 905)) return false;
            }
        } else if (c.action == "MERGE") {
            // MERGE PARTITIONS a, b INTO PARTITION [c] [attributes].
            if (!partition_names(&c)) return false;
            if (c.names.size() != 2) return fail(c.names.size() < 2 ? 14004 : 933);
            if (!expect_word("INTO", 905) || !expect_word("PARTITION", 14004)) return false;
            c.new_name_offset = cur().offset;
            if (cur().kind == TokenKind::QuotedWord ||
                (cur().kind == TokenKind::Word && !is_word("UPDATE") && !is_word("TABLESPACE") && !is_word("PCTFREE") &&
                 !is_word("STORAGE") && !is_word("LOGGING") && !is_word("NOLOGGING") && !is_word("COMPRESS") &&
                 !is_word("NOCOMPRESS") && !is_word("INVALIDATE")))
                identifier(&c.new_name);
            StorageClause ignored;
            segment_attributes(&ignored);
        } else if (c.action == "RENAME") {
            c.name_offsets.push_back(cur().offset);
            c.names.emplace_back();
            if (!identifier(&c.names.back())) return fail(14006);
            if (!expect_word("TO", 905)) return false;
            c.new_name_offset = cur().offset;
            if (!identifier(&c.new_name)) return fail(14006);
        } else {
            if (!partition_names(&c)) return false;
            if ((c.action == "MOVE" || c.action == "MODIFY") && c.names.size() > 1) return fail(933);
        }
    }
    if (c.action == "TRUNCATE") {
        if (accept_word("DROP")) {
            accept_word("ALL");
            if (!expect_word("STORAGE", 905)) return false;
        } else if (accept_word("REUSE") && !expect_word("STORAGE", 905)) {
            return false;
        }
    }
    if (c.action == "MODIFY") {
        // ADD | DROP VALUES and the subpartition changes alter bounds the catalog keeps as
        // written; the index states are accepted.
        if (is_word("ADD") || is_word("DROP") || is_word("COALESCE")) return fail(3001);
        accept_word("REBUILD");
        if (accept_word("UNUSABLE") && (!expect_word("LOCAL", 905) || !expect_word("INDEXES", 905))) return false;
    }
    if (c.action == "MOVE" || c.action == "MODIFY") {
        StorageClause ignored;
        segment_attributes(&ignored);
        if (accept_word("ONLINE") && c.action != "MOVE") return fail(933);
    }
    if (accept_word("UPDATE")) {
        accept_word("GLOBAL");
        if (!expect_word("INDEXES", 905)) return false;
        c.update_indexes = true;
    } else if (accept_word("INVALIDATE")) {
        if (!expect_word("GLOBAL", 905) || !expect_word("INDEXES", 905)) return false;
    }
    if (c.action == "MOVE" || c.action == "MODIFY") accept_word("ONLINE");
    return true;
}

// A user's or role's name, upper case unless quoted; keywords such as CONNECT name the
// predefined roles.
bool Parser::access_name(std::string* out, std::uint32_t* offset) {
    *offset = cur().offset;
    if (cur().kind == TokenKind::Word) {
        *out = cur().text;
        ++p_;
        return true;
    }
    return identifier(out) || fail(1935);
}

// The clauses of CREATE USER (IDENTIFIED BY first) and ALTER USER, in any order.
// Tablespaces, quotas and profiles are taken as written.
bool Parser::user_clauses(AccessClause* a, bool create) {
    if (create && !is_word("IDENTIFIED")) return fail(1938);
    bool any = false;
    for (;;) {
        std::string ignored;
        std::uint32_t at = 0;
        if (accept_word("IDENTIFIED")) {
            if (accept_word("EXTERNALLY") || accept_word("GLOBALLY")) return fail(3001);
            if (!expect_word("BY", 922)) return false;
            if (cur().kind != TokenKind::Word && cur().kind != TokenKind::QuotedWord) return fail(988);
            a->password = cur().text;
            a->password_offset = cur().offset;
            a->password_end = cur().end;
            a->password_unquoted = cur().kind == TokenKind::Word;
            a->identified = true;
            ++p_;
        } else if (accept_word("DEFAULT")) {
            if (!expect_word("TABLESPACE", 922) || !access_name(&a->default_tablespace, &at)) return false;
        } else if (accept_word("TEMPORARY")) {
            if (!expect_word("TABLESPACE", 922) || !access_name(&a->temporary_tablespace, &at)) return false;
        } else if (accept_word("QUOTA")) {
            long long bytes = 0;
            if (!accept_word("UNLIMITED") && !size(&bytes)) return fail(2187);
            if (!expect_word("ON", 922) || !access_name(&ignored, &at)) return false;
        } else if (accept_word("PROFILE")) {
            if (accept_word("DEFAULT"))
                a->profile = "DEFAULT";
            else if (!access_name(&a->profile, &at))
                return false;
        } else if (accept_word("ACCOUNT")) {
            if (accept_word("LOCK"))
                a->lock = 1;
            else if (accept_word("UNLOCK"))
                a->lock = 0;
            else
                return fail(922);
        } else if (accept_word("PASSWORD")) {
            if (!expect_word("EXPIRE", 922)) return false;
            a->expire = true;
        } else {
            break;
        }
        any = true;
    }
    return any || fail(922);
}

// GRANT privilege|role, ... [ON [owner.]object] TO grantee, ... [WITH ADMIN|GRANT OPTION]
// REVOKE privilege|role, ... [ON [owner.]object] FROM grantee, ...
// A privilege of several words (CREATE ANY TABLE, ALL PRIVILEGES) is kept as one name.
bool Parser::grant_or_revoke(Statement* s) {
    const bool grant = is_word("GRANT");
    s->kind = grant ? StatementKind::Grant : StatementKind::Revoke;
    ++p_;
    AccessClause* a = &s->access;
    do {
        if (cur().kind != TokenKind::Word && cur().kind != TokenKind::QuotedWord) return fail(990);
        a->privilege_offsets.push_back(cur().offset);
        std::string name = cur().text;
        ++p_;
        while ((cur().kind == TokenKind::Word && !is_word("ON") && !is_word("TO") && !is_word("FROM")) ||
               (cur().kind == TokenKind::QuotedWord)) {
            name += " " + cur().text;
            ++p_;
        }
        if (name == "ALL PRIVILEGES") name = "ALL";
        if (is_op("(")) return fail(3001);  // column privileges
        a->privileges.push_back(name);
    } while (accept_op(","));
    if (accept_word("ON")) {
        if (accept_word("DIRECTORY") || accept_word("JAVA")) return fail(3001);
        if (!table_ref(&a->object)) return false;
    }
    if (!expect_word(grant ? "TO" : "FROM", grant ? 905 : 905)) return false;
    do {
        std::string who;
        std::uint32_t at = cur().offset;
        // Role names such as CONNECT are keywords elsewhere in the grammar.
        if (cur().kind == TokenKind::Word) {
            who = cur().text;
            ++p_;
        } else if (!identifier(&who)) {
            return fail(987);
        }
        a->grantees.push_back(who);
        a->grantee_offsets.push_back(at);
    } while (accept_op(","));
    if (grant && accept_word("WITH")) {
        if (!accept_word("ADMIN") && !accept_word("GRANT")) return fail(905);
        if (!expect_word("OPTION", 905)) return false;
        a->with_option = true;
    }
    if (!grant && (is_word("CASCADE") || is_word("FORCE"))) {
        ++p_;
        if (is_word("CONSTRAINTS")) ++p_;
    }
    return true;
}

// ANALYZE { TABLE | INDEX } [schema.]name { COMPUTE [SYSTEM] STATISTICS [for clauses] |
// ESTIMATE [SYSTEM] STATISTICS [for clauses] [SAMPLE n { ROWS | PERCENT }] |
// DELETE [SYSTEM] STATISTICS }. The for clauses name what a table's analysis covers:
// FOR TABLE, FOR ALL [INDEXED] COLUMNS [SIZE n], FOR COLUMNS c [SIZE n], ...,
// FOR ALL [LOCAL] INDEXES. Clusters, partitions, VALIDATE STRUCTURE and LIST CHAINED
// ROWS are not kept here.
bool Parser::analyze(Statement* s) {
    ++p_;
    s->kind = StatementKind::AlterTable;
    Statement::Analyze& a = s->analyze;
    a.active = true;
    if (accept_word("INDEX")) {
        a.index = true;
        if (!table_ref(&s->index)) return false;
        s->table.offset = s->index.offset;
    } else if (accept_word("TABLE")) {
        if (!table_ref(&s->table)) return false;
    } else {
        return is_word("CLUSTER") ? fail(3001) : fail(905);
    }
    if (is_word("PARTITION") || is_word("SUBPARTITION") || is_word("VALIDATE") || is_word("LIST")) return fail(3001);
    const bool estimate = is_word("ESTIMATE");
    if (accept_word("DELETE")) {
        a.remove = true;
    } else if (!accept_word("COMPUTE") && !accept_word("ESTIMATE")) {
        return fail(905);
    }
    accept_word("SYSTEM");
    if (!expect_word("STATISTICS", 905)) return false;
    if (a.remove) return true;
    bool any_for = false, for_indexes = false;
    while (accept_word("FOR")) {
        if (a.index) return fail(905);
        any_for = true;
        if (accept_word("TABLE")) continue;
        if (accept_word("ALL")) {
            accept_word("LOCAL");
            if (accept_word("INDEXES")) {
                for_indexes = true;
                continue;
            }
            accept_word("INDEXED");
            if (!expect_word("COLUMNS", 905)) return false;
        } else if (accept_word("COLUMNS")) {
            do {
                std::string column;
                if (!identifier(&column)) return fail(904, "\"" + cur().text + "\"");
                if (accept_word("SIZE")) {
                    if (cur().kind != TokenKind::Number) return fail(905);
                    ++p_;
                }
            } while (accept_op(","));
            continue;
        } else {
            return fail(905);
        }
        if (accept_word("SIZE")) {
            if (cur().kind != TokenKind::Number) return fail(905);
            ++p_;
        }
    }
    a.indexes = !any_for || for_indexes;
    if (estimate && accept_word("SAMPLE")) {
        if (cur().kind != TokenKind::Number) return fail(905);
        const double n = std::strtod(cur().text.c_str(), nullptr);
        ++p_;
        if (accept_word("PERCENT")) {
            if (!(n >= 0 && n <= 100)) {
                --p_;
                return fail(1490);
            }
        } else if (!expect_word("ROWS", 905)) {
            return false;
        }
    }
    return true;
}

}  // namespace sql_grammar

namespace sql_grammar {

// [CREATE [OR REPLACE]] [EDITIONABLE|NONEDITIONABLE] TYPE [schema.]name [FORCE]
// [AUTHID ...] AS|IS OBJECT (attribute datatype, ... [methods]) | VARRAY|VARYING ARRAY (n)
// OF datatype | TABLE OF datatype. Methods and what follows the list are not read.
bool Parser::type_declaration(ObjectTypeDecl* out) {
    if (accept_word("CREATE") && accept_word("OR")) accept_word("REPLACE");
    if (!accept_word("EDITIONABLE")) accept_word("NONEDITIONABLE");
    if (!expect_word("TYPE", 900) || cur().kind == TokenKind::Operator) return fail(902);
    out->name = cur().text;
    ++p_;
    if (accept_op(".")) {
        if (cur().kind == TokenKind::Operator) return fail(902);
        out->name = cur().text;
        ++p_;
    }
    accept_word("FORCE");
    if (accept_word("OID")) {
        if (cur().kind != TokenKind::String) return fail(905);
        ++p_;
    }
    if (accept_word("AUTHID")) ++p_;
    if (!accept_word("AS") && !accept_word("IS")) return fail(905);
    if (accept_word("OBJECT")) {
        out->kind = ObjectTypeDecl::Kind::Object;
        if (!expect_op("(", 906)) return false;
        do {
            if (is_word("MEMBER") || is_word("STATIC") || is_word("MAP") || is_word("ORDER") ||
                is_word("CONSTRUCTOR") || is_word("FINAL") || is_word("NOT") || is_word("OVERRIDING"))
                break;
            ColumnDef a;
            a.offset = cur().offset;
            if (!identifier(&a.name)) return fail(904, "\"" + cur().text + "\"");
            if (!datatype(&a, true)) return false;
            out->attributes.push_back(std::move(a));
        } while (accept_op(","));
        return !out->attributes.empty() || fail(904);
    }
    if (accept_word("VARRAY") || (accept_word("VARYING") && expect_word("ARRAY", 905))) {
        out->kind = ObjectTypeDecl::Kind::Varray;
        if (!expect_op("(", 906)) return false;
        if (cur().kind != TokenKind::Number) return fail(910);
        out->limit = std::atoll(cur().text.c_str());
        ++p_;
        if (!expect_op(")", 907)) return false;
    } else if (accept_word("TABLE")) {
        out->kind = ObjectTypeDecl::Kind::Table;
    } else {
        return fail(902);
    }
    if (!expect_word("OF", 905)) return false;
    return datatype(&out->element, true);
}

// After an object type's attributes come its method declarations, up to the closing
// parenthesis, then the type's own [NOT] FINAL and [NOT] INSTANTIABLE. MAP and ORDER
// always go with MEMBER, so each method begins with MEMBER, STATIC or CONSTRUCTOR at the
// level of the attribute list.
bool Parser::type_details(ObjectTypeDecl* decl, TypeDetails* details) {
    if (!type_declaration(decl)) return false;
    if (decl->kind != ObjectTypeDecl::Kind::Object) return true;
    int depth = 1;
    for (; !at_end() && depth > 0; next()) {
        if (is_op("(")) {
            ++depth;
        } else if (is_op(")")) {
            --depth;
        } else if (depth == 1 && (is_word("MEMBER") || is_word("STATIC") || is_word("CONSTRUCTOR"))) {
            ++details->methods;
            if (is_word("CONSTRUCTOR")) ++details->constructors;
            type_method(details);
            // At the "," or ")" that ends it: the loop steps over it.
            if (is_op(")")) --depth;
            if (at_end()) break;
        }
    }
    if (depth > 0) return fail(907);
    while (!at_end() && !is_op(";")) {
        const bool negated = accept_word("NOT");
        if (accept_word("FINAL")) {
            details->final = !negated;
        } else if (accept_word("INSTANTIABLE")) {
            details->instantiable = !negated;
        } else {
            next();
        }
    }
    return true;
}

// One method declaration from its MEMBER, STATIC or CONSTRUCTOR word (MAP or ORDER, and
// OVERRIDING, FINAL or INSTANTIABLE, are the words before it), read up to the "," or ")"
// that ends it, where it stops.
void Parser::type_method(TypeDetails* details) {
    TypeMethodDecl m;
    std::size_t start = pos();
    while (start > 0) {
        const Token& before = t_[start - 1];
        if (before.kind != TokenKind::Word) break;
        if (before.text == "MAP") m.map = true;
        else if (before.text == "ORDER") m.order = true;
        else if (before.text != "OVERRIDING" && before.text != "FINAL" && before.text != "INSTANTIABLE" &&
                 before.text != "NOT")
            break;
        --start;
    }
    m.offset = t_[start].offset;
    m.kind = is_word("STATIC") ? TypeMethodDecl::Kind::Static
             : is_word("CONSTRUCTOR") ? TypeMethodDecl::Kind::Constructor
                                      : TypeMethodDecl::Kind::Member;
    next();
    m.function = is_word("FUNCTION");
    if (is_word("FUNCTION") || is_word("PROCEDURE")) next();
    m.name_offset = cur().offset;
    if (cur().kind == TokenKind::Word || cur().kind == TokenKind::QuotedWord) {
        m.name = cur().text;
        next();
    }
    auto stop = [&](int depth) { return at_end() || (depth == 0 && (is_op(",") || is_op(")"))); };
    if (is_op("(")) {
        m.params_begin = cur().offset;
        next();
        int depth = 0;
        bool fresh = true;  // at the start of a parameter
        bool type_next = false;
        while (!at_end() && !(depth == 0 && is_op(")"))) {
            if (is_op("(")) ++depth;
            else if (is_op(")")) --depth;
            else if (depth == 0 && is_op(",")) {
                fresh = true;
                type_next = false;
            } else if (depth == 0 && fresh && (cur().kind == TokenKind::Word || cur().kind == TokenKind::QuotedWord)) {
                m.params.push_back(cur().text);
                m.param_types.emplace_back();
                m.param_defaults.push_back(false);
                m.param_modes.push_back("IN");
                fresh = false;
                type_next = true;
                bool in = false, out = false;
                for (std::size_t k = pos() + 1; k < t_.size() && t_[k].kind == TokenKind::Word; ++k) {
                    if (t_[k].text == "IN") in = true;
                    else if (t_[k].text == "OUT") out = true;
                    else if (t_[k].text != "NOCOPY") break;
                }
                if (out) m.param_modes.back() = in ? "IN OUT" : "OUT";
            } else if (depth == 0 && !fresh && (is_word("DEFAULT") || is_op(":="))) {
                m.param_defaults.back() = true;
                type_next = false;
            } else if (depth == 0 && type_next && cur().kind == TokenKind::Word && !is_word("IN") &&
                       !is_word("OUT") && !is_word("NOCOPY")) {
                m.param_types.back() = cur().text;
                type_next = false;
            }
            next();
        }
        m.params_end = cur().end;
        if (is_op(")")) next();
    }
    m.explicit_self = !m.params.empty() && m.params[0] == "SELF";
    if (accept_word("RETURN")) {
        m.return_begin = cur().offset;
        m.return_type = cur().text;
        int depth = 0;
        while (!stop(depth)) {
            if (is_op("(")) ++depth;
            if (is_op(")")) --depth;
            m.return_end = cur().end;
            next();
        }
    }
    int depth = 0;
    while (!stop(depth)) {
        if (is_op("(")) ++depth;
        if (is_op(")")) --depth;
        next();
    }
    m.end = prev_end();
    details->declared.push_back(std::move(m));
}

}  // namespace sql_grammar

bool sql_parse_type_details(const std::string& source, ObjectTypeDecl* decl, TypeDetails* details) {
    std::vector<Token> tokens;
    OraError err;
    if (!sql_tokenize(source, &tokens, &err)) return false;
    return sql_grammar::Parser(tokens, &err).type_details(decl, details);
}

bool sql_parse_type_declaration(const std::string& source, ObjectTypeDecl* out) {
    std::vector<Token> tokens;
    OraError err;
    if (!sql_tokenize(source, &tokens, &err)) return false;
    return sql_grammar::Parser(tokens, &err).type_declaration(out);
}
