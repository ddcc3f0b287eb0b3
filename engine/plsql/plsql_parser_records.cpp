// Record types declared with TYPE name IS RECORD (...) and variables of them. A record
// variable is a slot of its own with one slot per field, as %ROWTYPE records are, so
// field access, SELECT INTO and FETCH INTO work on it the same way.
#include "plsql/plsql_parser.h"

#include "values/errors.h"

namespace plsql_parsing {

void Parser::record_type(PlVarInfo* type, std::uint32_t decl_offset) {
    ++i_;
    type->record_type = true;
    expect_op("(");
    for (;;) {
        std::uint32_t fo = peek().offset;
        ColumnInfo c;
        c.name = identifier();
        bool boolean = false;
        last_object_type_.clear();
        std::size_t width = 0;
        const Symbol* ts = type_symbol_ahead(&width);
        std::shared_ptr<PlVarInfo> collection;
        if (ts && ts->kind == SymKind::Type &&
            prog_->types[static_cast<std::size_t>(ts->index)].collection != PlCollection::None) {
            // A field of a collection type: a collection variable of the record's own.
            collection = std::make_shared<PlVarInfo>(prog_->types[static_cast<std::size_t>(ts->index)]);
            collection->type_name = declared_type_name(ts->index);
            i_ += width;
            c.type = collection->type;
        } else if (!type_spec(&c.type, &boolean, fo)) {
            expected("an identifier", t_[i_ - 1]);
        }
        // A field of a schema-level object type holds the object's constructor text.
        if (c.type.code == kTypeObject) c.object_type = last_object_type_;
        bool not_null = false;
        if (is_word("NOT") && is_word("NULL", 1)) {
            i_ += 2;
            not_null = true;
        }
        PlSql* deflt = nullptr;
        if (is_op(":=") || is_word("DEFAULT")) {
            ++i_;
            deflt = expression({",", ")"}, decl_offset, boolean);
        } else if (not_null) {
            PlCompileError e;
            position(peek().offset, &e.line, &e.column);
            e.text = pls_message(218);
            prog_->errors.push_back(e);
        }
        for (const ColumnInfo& f : type->record_fields)
            if (f.name == c.name) semantic_error(fo, pls_message(410), decl_offset, "PL/SQL: Item ignored");
        type->record_fields.push_back(c);
        type->field_not_null.push_back(not_null);
        type->field_boolean.push_back(boolean);
        type->field_defaults.push_back(deflt);
        if (collection) type->field_collections.resize(type->record_fields.size());
        if (!type->field_collections.empty()) type->field_collections.resize(type->record_fields.size());
        if (collection) type->field_collections.back() = collection;
        if (!is_op(",")) break;
        ++i_;
    }
    expect_op(")");
    expect_op(";");
}

void Parser::record_declaration(PlBlock* b, const std::string& name, int type_index, std::uint32_t decl_offset) {
    const PlVarInfo type = prog_->types[static_cast<std::size_t>(type_index)];
    // The record is declared first; its initial value, when given, is read afterwards (the
    // symbol is declared only at the end, so the value cannot name the record itself).
    std::size_t init_at = 0;
    if (is_op(":=") || is_word("DEFAULT")) {
        ++i_;
        init_at = i_;
        i_ = expression_end({";"});
    }
    std::size_t end_at = i_;
    int slot = add_record(name, type.record_fields, &type.field_collections);
    PlVarInfo& v = prog_->vars[static_cast<std::size_t>(slot)];
    v.type_name = declared_type_name(type_index);
    PlDecl d;
    d.slot = slot;
    PlDecl init;  // after the fields' defaults, which the initial value replaces
    init.slot = slot;
    if (init_at) {
        // A function returning a record of this type, or another record of it.
        i_ = init_at;
        auto st = std::make_shared<PlStmt>();
        position(t_[init_at].offset, &st->line, &st->column);
        const Symbol* src = peek().kind == TokenKind::Word ? lookup(peek().text) : nullptr;
        int from = src && src->kind == SymKind::Var && is_op(";", 1) ? src->index : -1;
        if (from >= 0 && whole_slot(from) &&
            prog_->vars[static_cast<std::size_t>(from)].collection == PlCollection::None &&
            prog_->vars[static_cast<std::size_t>(from)].type_name == v.type_name) {
            st->kind = PlStmtKind::RecordCopy;
            st->slot = from;
            st->targets.push_back(pl_var_target(slot));
            init.init_collection = st;
        } else if (whole_result_call(st.get(), slot, decl_offset)) {
            init.init_collection = st;
        } else {
            semantic_error(t_[init_at].offset, pls_message(382), decl_offset, "PL/SQL: Item ignored");
        }
        i_ = end_at;
    }
    expect_op(";");
    b->decls.push_back(d);
    for (std::size_t k = 0; k < type.record_fields.size(); ++k) {
        int f = prog_->vars[static_cast<std::size_t>(slot)].fields[k];
        PlVarInfo& fv = prog_->vars[static_cast<std::size_t>(f)];
        fv.boolean = type.field_boolean[k];
        fv.not_null = type.field_not_null[k];
        PlDecl fd;
        fd.slot = f;
        fd.init = type.field_defaults[k];
        b->decls.push_back(fd);
    }
    if (init.init_collection) b->decls.push_back(init);
    Symbol s;
    s.index = slot;
    declare(name, s);
    declare_collection_fields(name, slot);
}

void Parser::declare_collection_fields(const std::string& name, int slot) {
    // A collection field is named by its path, "RECORD.FIELD", which no identifier can be.
    const PlVarInfo& rec = prog_->vars[static_cast<std::size_t>(slot)];
    for (std::size_t k = 0; k < rec.fields.size() && k < rec.field_names.size(); ++k)
        if (prog_->vars[static_cast<std::size_t>(rec.fields[k])].collection != PlCollection::None) {
            Symbol fs;
            fs.index = rec.fields[k];
            declare(name + "." + rec.field_names[k], fs);
        }
}

bool Parser::record_assignment(PlStmt* st, std::uint32_t so) {
    const PlTarget& tg = st->targets[0];
    if (tg.host || tg.slot < 0 || tg.index || !tg.package.empty()) return false;
    const PlVarInfo& to = prog_->vars[static_cast<std::size_t>(tg.slot)];
    if (to.fields.empty() || !is_op(";", 1)) return false;
    int from = -1;
    if (!is_word("NULL")) {
        const Symbol* s = peek().kind == TokenKind::Word ? lookup(peek().text) : nullptr;
        if (!s || s->kind != SymKind::Var) return false;
        from = s->index;
        const PlVarInfo& src = prog_->vars[static_cast<std::size_t>(from)];
        if (src.fields.empty()) return false;
        // Records of two declared record types never match; otherwise the fields pair up
        // by position.
        bool both_declared = !src.type_name.empty() && !to.type_name.empty();
        if (src.fields.size() != to.fields.size() || (both_declared && src.type_name != to.type_name)) {
            semantic_error(peek().offset, pls_message(382), so);
            i_ += 2;
            return true;
        }
    }
    st->kind = PlStmtKind::RecordCopy;
    st->slot = from;
    i_ += 2;
    return true;
}

}  // namespace plsql_parsing
