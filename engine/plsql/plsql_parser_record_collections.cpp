// The PL/SQL parser's collections of records and the types a block takes from a package
// header. A collection whose element is a record (a RECORD type, table%ROWTYPE or
// cursor%ROWTYPE) keeps the element's fields in its PlVarInfo (record_fields); its
// elements are values holding their fields, read and written as collection(i).field, and
// whole elements are copied to and from record variables by RecordCopy statements.
#include "plsql/plsql_parser.h"

#include "values/errors.h"

namespace plsql_parsing {

namespace {

// The varray types the database owns under SYS for lists of plain values.
struct PredefinedCollection {
    const char* name;
    std::uint16_t element_code;
    std::uint32_t element_size;
};
const PredefinedCollection kSysCollections[] = {
    {"SYS.ODCINUMBERLIST", kTypeNumber, 22},
    {"SYS.ODCIVARCHAR2LIST", kTypeVarchar2, 4000},
    {"SYS.ODCIDATELIST", kTypeDate, 7},
};

const PredefinedCollection* sys_collection(const std::string& qualified) {
    for (const PredefinedCollection& c : kSysCollections)
        if (qualified == c.name) return &c;
    return nullptr;
}

}  // namespace

const Symbol* Parser::type_symbol_ahead(std::size_t* width) {
    *width = 0;
    if (peek().kind != TokenKind::Word) return nullptr;
    if (!is_op(".", 1)) {
        const Symbol* s = type_named(peek().text, "");
        if (s) *width = 1;
        return s;
    }
    if (peek(2).kind != TokenKind::Word || is_op(".", 3)) return nullptr;
    const Symbol* s = type_named(peek().text, peek(2).text);
    if (s) *width = 3;
    return s;
}

const Symbol* Parser::type_named(const std::string& first, const std::string& second) {
    // A nested table or varray type of a schema (CREATE TYPE ... AS TABLE OF | VARRAY),
    // named "OWNER.NAME" as SQL names its values' type; its elements are plain values.
    auto schema_collection = [&](const std::string& owner, const std::string& name) -> const Symbol* {
        const std::string qualified = owner + "." + name;
        auto known = imported_types_.find(qualified);
        if (known != imported_types_.end()) return &known->second;
        std::string source;
        ObjectTypeDecl decl;
        if (!ctx_.catalog || !ctx_.catalog->type_source(owner, name, &source) ||
            !sql_parse_type_declaration(source, &decl) || decl.name != name ||
            decl.kind == ObjectTypeDecl::Kind::Object)
            return nullptr;
        std::string element_type;
        if (decl.element.user_type) {
            // A collection of an object type of plain attributes: its elements are the
            // objects' constructor texts.
            const std::string element_owner = decl.element.type_owner.empty() ? owner : decl.element.type_owner;
            ObjectTypeDecl element;
            if (!ctx_.catalog->type_source(element_owner, decl.element.type_name, &source) ||
                !sql_parse_type_declaration(source, &element) || element.kind != ObjectTypeDecl::Kind::Object)
                return nullptr;
            for (const ColumnDef& a : element.attributes) {
                const std::uint16_t c = a.type.code;
                if (a.user_type || (c != kTypeNumber && c != kTypeVarchar2 && c != kTypeChar)) return nullptr;
            }
            element_type = element_owner + "." + decl.element.type_name;
            decl.element.type = OraType();
            decl.element.type.code = kTypeObject;
            decl.element.type.size = 4000;
        }
        const std::uint16_t code = decl.element.type.code;
        if (code != kTypeNumber && code != kTypeVarchar2 && code != kTypeChar && code != kTypeDate &&
            code != kTypeObject)
            return nullptr;
        PlVarInfo type;
        type.element_type = element_type;
        type.name = name;
        type.type_name = qualified;
        type.collection = decl.kind == ObjectTypeDecl::Kind::Varray ? PlCollection::Varray : PlCollection::Nested;
        type.limit = decl.limit;
        type.type = decl.element.type;
        type.element_not_null = decl.element.not_null;
        prog_->types.push_back(type);
        Symbol local;
        local.kind = SymKind::Type;
        local.index = static_cast<int>(prog_->types.size()) - 1;
        return &imported_types_.emplace(qualified, local).first->second;
    };
    if (second.empty()) {
        const Symbol* s = lookup(first);
        if (!s) return schema_collection(ctx_.schema, first);
        return s->kind == SymKind::Type ? s : nullptr;
    }
    if (lookup(first)) return nullptr;
    std::string qualified = first + "." + second;
    auto known = imported_types_.find(qualified);
    if (known != imported_types_.end()) return &known->second;
    if (const Symbol* s = schema_collection(first, second)) return s;
    if (const PredefinedCollection* c = sys_collection(qualified)) {
        PlVarInfo type;
        type.name = second;
        type.type_name = qualified;
        type.collection = PlCollection::Varray;
        type.limit = 32767;
        type.type.code = c->element_code;
        type.type.size = c->element_size;
        if (c->element_code == kTypeNumber) type.type = number_type();
        prog_->types.push_back(type);
        Symbol local;
        local.kind = SymKind::Type;
        local.index = static_cast<int>(prog_->types.size()) - 1;
        return &imported_types_.emplace(qualified, local).first->second;
    }
    Symbol sym;
    const PlProgram* header = nullptr;
    if (!package_symbol(first, second, &sym, &header) || sym.kind != SymKind::Type || !header) return nullptr;
    Symbol local;
    local.kind = SymKind::Type;
    if (header == prog_) {
        local.index = sym.index;
    } else {
        // A copy of the header's declaration. Field defaults are statements of the
        // header's program, which this one does not own: elements and records of an
        // imported type start with their fields NULL.
        PlVarInfo type = header->types[static_cast<std::size_t>(sym.index)];
        for (PlSql*& d : type.field_defaults) d = nullptr;
        if (type.type_name.empty()) type.type_name = qualified;
        prog_->types.push_back(type);
        local.index = static_cast<int>(prog_->types.size()) - 1;
    }
    return &imported_types_.emplace(qualified, local).first->second;
}

std::string Parser::declared_type_name(int type_index) const {
    const PlVarInfo& type = prog_->types[static_cast<std::size_t>(type_index)];
    return type.type_name.empty() ? type.name + "#" + std::to_string(type_index) : type.type_name;
}

bool Parser::record_element(PlVarInfo* type, std::uint32_t decl_offset) {
    const Token& first = peek();
    if (first.kind != TokenKind::Word) return false;
    // table%ROWTYPE, owner.table%ROWTYPE or cursor%ROWTYPE
    if ((is_op("%", 1) && is_word("ROWTYPE", 2)) || (is_op(".", 1) && is_op("%", 3) && is_word("ROWTYPE", 4))) {
        std::vector<std::string> parts{identifier()};
        if (is_op(".")) {
            ++i_;
            parts.push_back(identifier());
        }
        i_ += 2;
        std::vector<ColumnInfo> cols;
        if (!rowtype_columns(parts, &cols) || cols.empty()) {
            semantic_error(first.offset, pls_message(201, parts.back()), decl_offset, "PL/SQL: Item ignored");
            return true;
        }
        type->record_fields = cols;
        type->field_not_null.assign(cols.size(), false);
        type->field_boolean.assign(cols.size(), false);
        return true;
    }
    std::size_t width = 0;
    const Symbol* s = type_symbol_ahead(&width);
    if (!s) return false;
    const PlVarInfo& element = prog_->types[static_cast<std::size_t>(s->index)];
    if (!element.record_type) {
        if (element.type.code == kPlTypeRefCursor) return false;
        semantic_error(first.offset, pls_message(999, "collections of collections are not supported"), decl_offset,
                       "PL/SQL: Item ignored");
        i_ = expression_end({";"});
        return true;
    }
    i_ += width;
    type->record_fields = element.record_fields;
    type->field_not_null = element.field_not_null;
    type->field_boolean = element.field_boolean;
    type->element_type = declared_type_name(s->index);
    return true;
}

int Parser::element_field(const PlVarInfo& coll, const std::string& field) {
    for (std::size_t k = 0; k < coll.record_fields.size(); ++k)
        if (coll.record_fields[k].name == field) return static_cast<int>(k);
    return -1;
}

bool Parser::element_copy(PlStmt* st, std::uint32_t so) {
    const PlTarget& tg = st->targets[0];
    if (tg.host || tg.slot < 0 || !tg.package.empty()) return false;
    const PlVarInfo& to = prog_->vars[static_cast<std::size_t>(tg.slot)];
    bool to_element = tg.index && tg.field < 0 && to.record_elements();
    bool to_record = !tg.index && !to.fields.empty() && to.collection == PlCollection::None;
    if (!to_element && !to_record) return false;
    const std::size_t field_count = to_element ? to.record_fields.size() : to.fields.size();
    const std::string to_type = to_element ? to.element_type : to.type_name;
    const Token& t = peek();
    const Symbol* s = t.kind == TokenKind::Word ? lookup(t.text) : nullptr;
    const PlVarInfo* src = s && s->kind == SymKind::Var ? &prog_->vars[static_cast<std::size_t>(s->index)] : nullptr;
    std::size_t end = expression_end({";"});
    std::size_t src_fields = 0;
    std::string src_type;
    PlSql* subscript = nullptr;
    if (to_element && is_word("NULL") && end == i_ + 1) {
        // element := NULL: every field NULL.
        st->kind = PlStmtKind::RecordCopy;
        st->slot = -1;
        ++i_;
        expect_op(";");
        return true;
    }
    if (src && src->record_elements() && is_op("(", 1)) {
        // ... := collection(i): the element must be all that follows.
        std::size_t close = i_ + 1;
        int depth = 0;
        for (; close < end; ++close) {
            if (t_[close].kind != TokenKind::Operator) continue;
            if (t_[close].text == "(") ++depth;
            if (t_[close].text == ")" && --depth == 0) break;
        }
        if (close + 1 != end) {
            if (!to_element) return false;
            semantic_error(t.offset, pls_message(382), so);
            i_ = end;
            expect_op(";");
            return true;
        }
        i_ += 2;
        subscript = expression({")"}, so);
        expect_op(")");
        src_fields = src->record_fields.size();
        src_type = src->element_type;
    } else if (src && !src->fields.empty() && src->collection == PlCollection::None && end == i_ + 1) {
        if (!to_element) return false;  // record := record is record_assignment's
        ++i_;
        src_fields = src->fields.size();
        src_type = src->type_name;
    } else {
        if (!to_element) return false;
        semantic_error(t.offset, pls_message(382), so);
        i_ = end;
        expect_op(";");
        return true;
    }
    // Records of two declared record types never match; otherwise the fields pair up by
    // position.
    if (src_fields != field_count || (!src_type.empty() && !to_type.empty() && src_type != to_type))
        semantic_error(t.offset, pls_message(382), so);
    st->kind = PlStmtKind::RecordCopy;
    st->slot = s->index;
    if (subscript) st->exprs.push_back(subscript);
    expect_op(";");
    return true;
}

bool Parser::whole_parameter(PlParam* prm) {
    std::size_t width = 0;
    const Symbol* ts = type_symbol_ahead(&width);
    if (!ts) return false;
    int index = ts->index;
    if (prog_->types[static_cast<std::size_t>(index)].type.code == kPlTypeRefCursor) return false;
    i_ += width;
    prm->type_name = declared_type_name(index);
    prm->slot = whole_variable(prm->name, index);
    return true;
}

int Parser::whole_variable(const std::string& name, int type_index) {
    const PlVarInfo type = prog_->types[static_cast<std::size_t>(type_index)];
    const std::string type_name = declared_type_name(type_index);
    if (type.record_type) {
        int slot = add_record(name, type.record_fields, &type.field_collections);
        PlVarInfo& v = prog_->vars[static_cast<std::size_t>(slot)];
        v.type_name = type_name;
        for (std::size_t k = 0; k < type.record_fields.size(); ++k) {
            PlVarInfo& fv = prog_->vars[static_cast<std::size_t>(v.fields[k])];
            fv.boolean = type.field_boolean[k];
            fv.not_null = type.field_not_null[k];
        }
        return slot;
    }
    PlVarInfo v = type;
    v.type_name = type_name;
    v.name = name;
    prog_->vars.push_back(v);
    return static_cast<int>(prog_->vars.size()) - 1;
}

int Parser::whole_argument(std::size_t a, std::size_t b) const {
    if (b != a + 1 || t_[a].kind != TokenKind::Word) return -1;
    const Symbol* s = lookup(t_[a].text);
    if (!s || s->kind != SymKind::Var) return -1;
    const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(s->index)];
    bool whole = v.collection != PlCollection::None || !v.fields.empty();
    return whole && v.type.code != kPlTypeRefCursor ? s->index : -1;
}

bool Parser::whole_slot(int slot) const {
    if (slot < 0) return false;
    const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(slot)];
    return (v.collection != PlCollection::None || !v.fields.empty()) && v.type.code != kPlTypeRefCursor;
}

bool Parser::result_fits(const std::string& return_type, int target) {
    const PlVarInfo& to = prog_->vars[static_cast<std::size_t>(target)];
    const std::string rowtype = "%ROWTYPE";
    if (return_type.size() <= rowtype.size() ||
        return_type.compare(return_type.size() - rowtype.size(), rowtype.size(), rowtype) != 0)
        return !to.type_name.empty() && return_type == to.type_name;
    // A table's row pairs up with any record of as many fields, as record := record does.
    if (to.fields.empty() || to.collection != PlCollection::None) return false;
    std::string name = return_type.substr(0, return_type.size() - rowtype.size());
    std::vector<std::string> parts;
    for (std::size_t dot; (dot = name.find('.')) != std::string::npos; name.erase(0, dot + 1))
        parts.push_back(name.substr(0, dot));
    parts.push_back(name);
    std::vector<ColumnInfo> cols;
    return rowtype_columns(parts, &cols) && cols.size() == to.fields.size();
}

bool Parser::rowtype_result(PlSubprogram* sub) {
    std::vector<std::string> parts;
    if (peek().kind == TokenKind::Word && is_op("%", 1) && is_word("ROWTYPE", 2)) {
        parts.push_back(identifier());
    } else if (peek().kind == TokenKind::Word && is_op(".", 1) && is_op("%", 3) && is_word("ROWTYPE", 4)) {
        parts.push_back(identifier());
        ++i_;
        parts.push_back(identifier());
    } else {
        return false;
    }
    const Token& at = t_[i_ - 1];
    i_ += 2;
    std::vector<ColumnInfo> cols;
    if (!rowtype_columns(parts, &cols) || cols.empty())
        semantic_error(at.offset, pls_message(201, parts.back()), statement_offset_, "PL/SQL: Declaration ignored");
    // Named with its owner, as the catalog records the result's type.
    std::string name = parts.size() == 1 ? ctx_.schema + "." + parts[0] : parts[0] + "." + parts[1];
    sub->return_type = number_type();
    sub->return_type_name = name + "%ROWTYPE";
    sub->return_slot = add_record("", cols);
    prog_->vars[static_cast<std::size_t>(sub->return_slot)].type_name = sub->return_type_name;
    return true;
}

bool Parser::pipelined_call(const std::vector<std::string>& parts) const {
    const std::string& last = parts.back();
    if (parts.size() == 1 && prog_->is_unit && prog_->is_function && prog_->unit_name == last) return prog_->pipelined;
    if (prog_->is_package && (parts.size() == 1 || (parts.size() == 2 && parts[0] == prog_->package_name)))
        for (const PlSubprogram& sub : prog_->subprograms)
            if (sub.name == last && sub.is_function) return sub.pipelined;
    if (!ctx_.db) return false;
    if (parts.size() == 1) return stored_pipelined(ctx_.db, ctx_.schema, last);
    if (parts.size() == 2)
        return stored_pipelined(ctx_.db, ctx_.schema, parts[0] + "." + last) ||
               stored_pipelined(ctx_.db, parts[0], last);
    return stored_pipelined(ctx_.db, parts[0], parts[1] + "." + last);
}

bool Parser::whole_result_call(PlStmt* st, int target, std::uint32_t so) {
    if (!whole_slot(target)) return false;
    const std::size_t start = i_;
    const Token& first = peek();
    if (first.kind != TokenKind::Word && first.kind != TokenKind::QuotedWord) return false;
    const Symbol* s = lookup(first.text);
    if (s && s->kind != SymKind::Local) return false;
    std::size_t width = 0;
    if (type_symbol_ahead(&width)) return false;  // a constructor
    std::vector<std::string> parts{identifier()};
    while (is_op(".") && parts.size() < 3 &&
           (peek(1).kind == TokenKind::Word || peek(1).kind == TokenKind::QuotedWord)) {
        ++i_;
        parts.push_back(identifier());
    }
    PlVarInfo package_var;
    bool own = false;
    if (parts.size() == 2 && package_variable(parts[0], parts[1], &package_var, &own) >= 0) {
        i_ = start;  // a package's variable, not a call
        return false;
    }
    std::vector<std::pair<std::size_t, std::size_t>> args;
    std::vector<std::string> names;
    if (is_op("(")) {
        ++i_;
        for (; !is_op(")");) {
            std::string arg_name;
            if (peek().kind == TokenKind::Word && is_op("=", 1) && is_op(">", 2)) {
                arg_name = identifier();
                i_ += 2;
            }
            std::size_t a = i_;
            std::size_t b = expression_end({",", ")"});
            if (b == a) break;
            args.emplace_back(a, b);
            names.push_back(arg_name);
            i_ = b;
            if (!is_op(",")) break;
            ++i_;
        }
        if (!is_op(")")) {
            i_ = start;
            return false;
        }
        ++i_;
    }
    if (!is_op(";")) {
        i_ = start;
        return false;
    }
    if (pipelined_call(parts)) {
        // A table function's rows are read by a query's TABLE() only.
        semantic_error(first.offset, pls_message(653), so);
        return true;
    }
    const std::size_t after = i_;
    PlStmt call;
    call.line = st->line;
    call.column = st->column;
    call.arg_names = names;
    if (!stored_call(&call, first, parts, args, so, target)) {
        i_ = start;
        return false;
    }
    call.line = st->line;
    call.column = st->column;
    *st = std::move(call);
    i_ = after;
    return true;
}

}  // namespace plsql_parsing
