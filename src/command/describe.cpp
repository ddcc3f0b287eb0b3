// describe, show errors: dictionary questions answered by a query that runs through the
// query worker on the calling thread. Names typed by the user reach the SQL only as
// literals with their quotes doubled, so a quote in a name cannot change the statement.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "command/client_commands.h"
#include "command/command_handlers.h"
#include "command/command_table.h"
#include "command/feedback.h"
#include "command/statement.h"
#include "command/workers.h"
#include "console/console_buffer.h"
#include "oci/db_session.h"
#include "oci/oci_statements.h"

namespace {

// Synonyms of synonyms are followed this far; a longer chain is taken for a loop.
constexpr int kMaxSynonymSteps = 16;

// The text as the inside of an SQL string literal.
std::string literal(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out;
}

// Owner and object of a typed "owner.object" or name, unquoted parts in upper case and
// quoted ones as written; a lone name through the lookup (which reports unknown names).
bool find_owner(const std::string& typed, std::string* owner, std::string* object) {
    if (split_owner_name(typed, owner, object)) return !owner->empty() && !object->empty();
    const std::string name = *object;
    resolve_object(name.c_str(), owner, object, true);
    return !owner->empty();
}

void run_inline_query(ConsoleBuffer* console, const std::string& text, const char* done_message) {
    auto* job = new StatementJob();
    job->console = console;
    job->kind = StatementKind::Query;
    job->text = text;
    std::snprintf(job->done_message, sizeof job->done_message, "%s", done_message);
    run_query_worker(job);
}

std::string replace_all(std::string text, const std::string& what, const std::string& with) {
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

// The datatype of an attribute or element of a type as describe writes it: lengths of
// character types, precision and scale of numbers.
#define DESCRIBED_TYPE(NAME)                                                                                    \
    "decode(" NAME ",'VARCHAR2','VARCHAR2('||length||')','NVARCHAR2','NVARCHAR2('||length||')','CHAR','CHAR('|" \
    "|length||')','NCHAR','NCHAR('||length||')','RAW','RAW('||length||')','NUMBER',decode(precision,null,'NUMBE" \
    "R',decode(scale,0,'NUMBER('||precision||')','NUMBER('||precision||','||scale||')')),'TIMESTAMP','TIMESTAMP" \
    "('||scale||')'," NAME ")"

void describe(ConsoleBuffer* console, const std::string& arguments) {
    if (!session_open.load()) {
        console_print("Not connected to a database\n");
        finish(console, true, false);
        return;
    }
    if (arguments.empty()) {
        command_usage(ClientCommandId::Describe);
        finish(console, true, false);
        return;
    }
    std::string owner, object;
    if (!find_owner(arguments, &owner, &object)) {
        finish(console, true, false);
        return;
    }
    // A synonym is described as the object it stands for, through chains of synonyms.
    std::string type = object_type_of(owner.c_str(), object.c_str(), true);
    for (int step = 0; type == "SYNONYM"; ++step) {
        std::string target_owner, target_name;
        if (step == kMaxSynonymSteps) {
            console_print("ORA-01775: looping chain of synonyms\n");
            type.clear();
        } else if (!synonym_target(owner.c_str(), object.c_str(), &target_owner, &target_name)) {
            console_print("Object %s.%s does not exist\n", owner.c_str(), object.c_str());
            type.clear();
        } else {
            owner = target_owner;
            object = target_name;
            type = object_type_of(owner.c_str(), object.c_str(), true);
        }
    }
    if (type.empty()) {
        finish(console, true, false);
        return;
    }
    std::string query;
    if (type == "TABLE" || type == "VIEW") {
        query =
            "select t.column_name,t.data_type,t.data_length,t.data_precision,t.data_scale,t.nullable,c.comments "
            "from all_tab_columns t,all_col_comments c where t.table_name='{NAME}' and t.owner='{OWNER}' and "
            "c.owner(+)=t.owner and c.table_name(+)=t.table_name and c.column_name(+)=t.column_name order by "
            "column_id";
    } else if (type == "PACKAGE") {
        query =
            "select decode(overload,null,object_name,object_name||' ('||to_char(overload)||')')||decode(position,0,"
            "' (FUNCTION)','') procedure,nvl(argument_name,decode(in_out,'OUT','<return value>','<none>')) "
            "argument,in_out,decode(type_subname,null,decode(data_type,'VARCHAR2',decode(data_length,null,"
            "data_type,data_type||' ('||data_length||')'),data_type),data_type||' ('||type_subname||')') datatype "
            "from all_arguments where owner='{OWNER}' and package_name='{NAME}' order by object_name,overload,"
            "position";
    } else if (type == "FUNCTION" || type == "PROCEDURE") {
        query =
            "select nvl(argument_name,decode(in_out,'OUT','<return value>','<none>')) argument,in_out,"
            "decode(type_subname,null,decode(data_type,'VARCHAR2',decode(data_length,null,data_type,data_type||' "
            "('||data_length||')'),data_type),data_type||' ('||type_subname||')') datatype from all_arguments "
            "where owner='{OWNER}' and object_name='{NAME}' order by object_name,overload,position";
    } else if (type == "TYPE") {
        // An object type's attributes, then a METHOD line for each method with its
        // arguments (SELF left out) below it; a collection type as its one line.
        query =
            "select name,type from (select 1 part,attr_no n,0 k,attr_name name," DESCRIBED_TYPE("attr_type_name")
            " type from all_type_attrs where owner='{OWNER}' and type_name='{NAME}' union all select 0,0,0,null,"
            "decode(coll_type,'TABLE',' TABLE OF ',' VARRAY('||upper_bound||') OF ')||" DESCRIBED_TYPE(
                "elem_type_name") " from all_coll_types where owner='{OWNER}' and type_name='{NAME}' union all "
            "select 2,m.method_no,0,'METHOD',decode(m.method_type,'MAP','MAP ','ORDER','ORDER ',null)||case when "
            "exists (select 1 from all_method_params p where p.owner=m.owner and p.type_name=m.type_name and "
            "p.method_no=m.method_no and p.param_name='SELF') then case when m.method_name=m.type_name then "
            "'CONSTRUCTOR' else 'MEMBER' end else 'STATIC' end||decode(m.results,0,' PROCEDURE ',' FUNCTION ')||"
            "m.method_name||(select decode(m.method_name,m.type_name,' RETURNS SELF AS RESULT',' RETURNS '||"
            "r.result_type_name) from all_method_results r where r.owner=m.owner and r.type_name=m.type_name and "
            "r.method_no=m.method_no) from all_type_methods m where m.owner='{OWNER}' and m.type_name='{NAME}' "
            "union all select 2,method_no,param_no,' '||param_name,param_type_name||' '||param_mode from "
            "all_method_params where owner='{OWNER}' and type_name='{NAME}' and param_name<>'SELF') order by "
            "part,n,k";
    } else {
        console_print("Feature not implemented yet: %s\n", type.c_str());
        finish(console, true, false);
        return;
    }
    query = replace_all(replace_all(query, "{OWNER}", literal(owner)), "{NAME}", literal(object));
    run_inline_query(console, query, "");
}

void show_errors(ConsoleBuffer* console, const std::string& type, const std::string& typed_name) {
    std::string owner, name;
    if (!find_owner(typed_name, &owner, &name)) {
        finish(console, true, false);
        return;
    }
    const std::string query =
        "select lpad(line,5)||'/'||rpad(position,5)||' '||text \" line/col   error\" from all_errors where "
        "owner='" + literal(owner) + "' and name='" + literal(name) + "' and type=upper('" +
        literal(type) + "') order by line, position, sequence";
    run_inline_query(console, query, "\r%d error%s");
}



}  // namespace

void command_describe(const ClientCommandContext& c) {
    cut_terminator(c.terminator);
    describe(c.console, command_arguments(c));
}

void command_show_errors(const ClientCommandContext& c) {
    cut_terminator(c.terminator);
    // The words with their quotes, so that a quoted name keeps its case.
    const std::vector<std::string> words = command_name_words();
    if (words.size() == 2) {
        const CompiledObject last = last_compiled_object();
        if (last.type.empty()) {
            console_print("No known object compiled\n");
            finish(c.console, true, false);
            return;
        }
        show_errors(c.console, last.type, last.name);
    } else if (words.size() == 4) {
        show_errors(c.console, words[2], words[3]);
    } else if (words.size() == 5) {
        show_errors(c.console, words[2] + " " + words[3], words[4]);
    } else {
        command_usage(c.command);
        finish(c.console, true, false);
    }
}
