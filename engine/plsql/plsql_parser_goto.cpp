// GOTO: the statement, and the check that each one names a label it can reach. A GOTO
// goes to a labelled statement of its own statement list or of a list that encloses it
// (out of loops, IF branches and blocks, from an exception handler to the block's
// enclosing lists), never into a nested list or another subprogram.
#include "plsql/plsql_parser.h"

#include <algorithm>

namespace plsql_parsing {

void Parser::goto_statement(PlStmt* st, std::uint32_t) {
    st->kind = PlStmtKind::Goto;
    ++i_;
    st->name = identifier();
    expect_op(";");
}

}  // namespace plsql_parsing

namespace {

void every_label(const std::vector<PlStmt>& list, std::vector<std::string>* out) {
    for (const PlStmt& st : list) {
        out->insert(out->end(), st.labels.begin(), st.labels.end());
        for (const std::vector<PlStmt>& body : st.bodies) every_label(body, out);
        if (st.block) {
            every_label(st.block->body, out);
            for (const PlHandler& h : st.block->handlers) every_label(h.body, out);
        }
    }
}

bool labels_list(const std::vector<PlStmt>& list, const std::string& label) {
    for (const PlStmt& st : list)
        if (std::find(st.labels.begin(), st.labels.end(), label) != st.labels.end()) return true;
    return false;
}

struct GotoCheck {
    PlProgram* program;
    std::vector<std::string> all;                      // every label of the body checked
    std::vector<const std::vector<PlStmt>*> visible;  // the lists enclosing the statement

    void list(const std::vector<PlStmt>& stmts) {
        visible.push_back(&stmts);
        for (const PlStmt& st : stmts) {
            if (st.kind == PlStmtKind::Goto) {
                bool reached = false;
                for (const std::vector<PlStmt>* v : visible) reached = reached || labels_list(*v, st.name);
                if (!reached) {
                    PlCompileError e;
                    e.line = st.line;
                    e.column = st.column;
                    e.text = std::find(all.begin(), all.end(), st.name) != all.end() ? pls_message(375)
                                                                                      : pls_message(201, st.name);
                    program->errors.push_back(e);
                }
            }
            for (const std::vector<PlStmt>& body : st.bodies) list(body);
            if (st.block) block(*st.block);
        }
        visible.pop_back();
    }

    void block(const PlBlock& b) {
        list(b.body);
        for (const PlHandler& h : b.handlers) list(h.body);
    }

    void root(const PlBlock& b) {
        all.clear();
        every_label(b.body, &all);
        for (const PlHandler& h : b.handlers) every_label(h.body, &all);
        visible.clear();
        block(b);
    }
};

}  // namespace

void plsql_check_gotos(PlProgram* program) {
    GotoCheck check{program, {}, {}};
    check.root(program->main);
    for (const PlSubprogram& sub : program->subprograms) check.root(sub.body);
    for (const PlSubprogram& sub : program->locals) check.root(sub.body);
}
