// The DDL part of the SQL grammar: CREATE TABLE and CREATE INDEX with their columns,
// constraints and physical attributes, DROP TABLE and DROP INDEX, ALTER TABLE and
// ALTER SESSION.
#include "sql/sql_parser.h"

#include "values/values.h"

#include <cstdlib>

namespace sql_grammar {

bool Parser::column_def(ColumnDef* c) {
    c->offset = cur().offset;
    if (!identifier(&c->name)) return fail(904, "\"" + cur().text + "\"");
    return datatype(c) && column_constraints(c);
}

// The column's datatype with its length, precision and scale, as Oracle checks them.
bool Parser::datatype(ColumnDef* c) {
    if (cur().kind != TokenKind::Word) return fail(902), err_->message = "invalid datatype", false;
    std::string type = cur().text;
    std::uint32_t type_offset = cur().offset;
    ++p_;
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
                else
                    accept_word("BYTE");
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
            err_->message = "specified length too long for its datatype";
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
                return fail(1727), err_->message = "numeric precision specifier is out of range (1 to 38)", false;
            }
            const bool has_scale = accept_op(",");
            if (has_scale) {
                at = p_;
                bool neg = accept_op("-");
                if (!number_arg(&scale)) return fail(910), false;
                if (neg) scale = -scale;
                if (scale < -84 || scale > 127) {
                    p_ = at;
                    return fail(1728), err_->message = "numeric scale specifier is out of range (-84 to 127)", false;
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
            if (prec < 1 || prec > 126)
                return fail(1724), err_->message = "floating point precision is out of range (1 to 126)", false;
            if (!expect_op(")", 907)) return false;
            ot.precision = static_cast<std::int16_t>(prec);
        }
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
            if (fs < 0 || fs > 9)
                return fail(30088), err_->message = "datetime/interval precision is out of range", false;
            if (!expect_op(")", 907)) return false;
            ot.scale = static_cast<std::int8_t>(fs);
        }
        if (is_word("WITH")) return fail(3001);
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
    } else {
        *err_ = ora_error(902);
        err_->message = "invalid datatype";
        err_->offset = type_offset;
        failed_ = true;
        return false;
    }
    c->type_name = type == "VARCHAR" ? "VARCHAR2" : type;
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
            if (!expr(&c->default_value)) return false;
        } else if (is_word("NOT")) {
            ++p_;
            if (!expect_word("NULL", 905)) return false;
            c->not_null = true;
            c->not_null_name = cname;
        } else if (accept_word("NULL")) {
        } else if (accept_word("PRIMARY")) {
            if (!expect_word("KEY", 905)) return false;
            c->primary_key = true;
            c->primary_key_name = cname;
        } else if (accept_word("UNIQUE")) {
            c->unique = true;
            c->unique_name = cname;
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
        } else if (accept_word("CHECK")) {
            c->check_name = cname;
            if (!expect_op("(", 906)) return false;
            if (!expr(&c->check)) return false;
            if (!expect_op(")", 907)) return false;
        } else {
            break;
        }
    }
    return true;
}

bool Parser::table_constraint(TableConstraint* c) {
    c->offset = cur().offset;
    if (accept_word("CONSTRAINT") && !identifier(&c->name)) return fail(902);
    if (accept_word("PRIMARY")) {
        if (!expect_word("KEY", 905)) return false;
        c->kind = TableConstraint::Kind::PrimaryKey;
        return name_list(&c->columns);
    }
    if (accept_word("UNIQUE")) {
        c->kind = TableConstraint::Kind::Unique;
        return name_list(&c->columns);
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
        return true;
    }
    if (accept_word("CHECK")) {
        c->kind = TableConstraint::Kind::Check;
        if (!expect_op("(", 906)) return false;
        if (!expr(&c->check)) return false;
        return expect_op(")", 907);
    }
    return fail(904, "\"" + cur().text + "\"");
}

bool Parser::create(Statement* s) {
    ++p_;
    if (is_word("OR") && !word_at(1, "REPLACE")) {
        ++p_;
        return fail(922);
    }
    if (accept_word("TABLE")) {
        s->kind = StatementKind::CreateTable;
        if (!table_ref(&s->table)) return false;
        if (accept_word("AS")) return select(&s->select);
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
        storage_clauses(&s->storage, false);
        return true;
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
        do {
            std::string n;
            std::uint32_t off = cur().offset;
            if (!identifier(&n)) return fail(904, "\"" + cur().text + "\"");
            s->columns.push_back(n);
            s->column_offsets.push_back(off);
            bool desc = accept_word("DESC");
            if (!desc) accept_word("ASC");
            s->column_desc.push_back(desc);
        } while (accept_op(","));
        if (!expect_op(")", 907)) return false;
        storage_clauses(&s->storage, true);
        return true;
    }
    return fail(unique ? 968 : 901);
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

bool Parser::drop(Statement* s) {
    ++p_;
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
    return fail(950);
}

bool Parser::alter(Statement* s) {
    ++p_;
    if (accept_word("SESSION")) {
        s->kind = StatementKind::AlterSession;
        if (!expect_word("SET", 922)) return false;
        s->name_offset = cur().offset;
        if (cur().kind != TokenKind::Word) return fail(922);
        s->name = cur().text;
        ++p_;
        if (!expect_op("=", 922)) return false;
        if (cur().kind == TokenKind::String || cur().kind == TokenKind::Word || cur().kind == TokenKind::Number) {
            s->value = cur().text;
            ++p_;
            return true;
        }
        return fail(922);
    }
    if (!accept_word("TABLE")) return fail(940);
    s->kind = StatementKind::AlterTable;
    if (!table_ref(&s->table)) return false;
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
        if (!expect_word("COLUMN", 905)) return false;
        s->name_offset = cur().offset;
        return identifier(&s->name) || fail(904, "\"" + cur().text + "\"");
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

}  // namespace sql_grammar
