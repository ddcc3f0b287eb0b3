// The ddl client command of the terminal: ddl [owner.]name [type] prints the DDL of one
// object with the schema browser's writers, on the console and into the spool file. The
// name is resolved as describe resolves it (own objects, then synonyms, PUBLIC last); the
// type word chooses between objects of one name (a package and its body, a type and its
// body, a table and an index).
#include <cctype>
#include <string>
#include <vector>

#include "command/client_commands.h"
#include "command/command_handlers.h"
#include "command/command_table.h"
#include "command/statement.h"
#include "console/console_buffer.h"
#include "oci/db_session.h"
#include "oci/oci_schema.h"
#include "oci/oci_schema_query.h"
#include "oci/oci_statements.h"

namespace {

constexpr const char* kModule = "ddl_command";

// The dictionary's object types of one owner's object.
std::vector<std::string> object_types(const std::string& owner, const std::string& name) {
    std::vector<std::string> types;
    char type[40] = {};
    sb2 indicator = -1;
    SchemaQuery query(nullptr, kModule);
    if (query.open("select object_type from all_objects where owner=:p_schema and object_name=:p_name", __LINE__) ||
        query.bind(":p_schema", owner.c_str(), __LINE__) || query.bind(":p_name", name.c_str(), __LINE__) ||
        query.define_text(1, type, sizeof type, &indicator, __LINE__) || query.execute(__LINE__))
        return types;
    bool failed = false;
    while (query.next_row(__LINE__, &failed))
        if (indicator != -1) types.emplace_back(type);
    return types;
}

bool has_type(const std::vector<std::string>& types, const std::string& type) {
    for (const std::string& t : types)
        if (t == type) return true;
    return false;
}

// The type to write when none was given: the first one of the type table's order that
// the object has, a spec before its body; else whatever type the dictionary gives.
std::string chosen_type(const std::vector<std::string>& types) {
    for (int i = 0; i < kSchemaWriterCount; ++i)
        if (has_type(types, kSchemaWriters[i].object_type)) return kSchemaWriters[i].object_type;
    return types.empty() ? std::string() : types.front();
}

void write_ddl(const ClientCommandContext& c) {
    if (!session_open.load()) {
        console_print("Not connected to a database\n");
        return;
    }
    // The words with their quotes, so that a quoted name keeps its case.
    std::vector<std::string> words = command_name_words();
    if (!words.empty()) words.erase(words.begin());
    if (!words.empty() && !words.back().empty() && words.back().back() == ';') words.back().pop_back();
    if (!words.empty() && words.back().empty()) words.pop_back();
    if (words.empty()) {
        command_usage(c.command);
        return;
    }
    std::string type;
    for (size_t i = 1; i < words.size(); ++i) type += (i > 1 ? " " : "") + dictionary_name(words[i]);

    std::string owner, object;
    const std::string& typed = words[0];
    if (!split_owner_name(typed, &owner, &object)) {
        const std::string name = object;
        // With a type word the user's own object of that type comes first (so that a
        // synonym's own DDL can be asked for); otherwise, and when there is none, the
        // name is resolved as describe does it.
        const std::string user = current_user_name();
        if (!type.empty() && has_type(object_types(user, name), type)) {
            owner = user;
            object = name;
        } else if (type == "SYNONYM") {
            owner = "PUBLIC";
            object = name;
        } else {
            resolve_object(name.c_str(), &owner, &object, true);
            if (owner.empty()) return;
        }
    }
    const std::vector<std::string> types = object_types(owner, object);
    if (type.empty()) type = chosen_type(types);
    if (types.empty() || !has_type(types, type)) {
        if (type.empty())
            console_print("Object %s.%s does not exist\n", owner.c_str(), object.c_str());
        else
            console_print("Object %s.%s of type %s does not exist\n", owner.c_str(), object.c_str(), type.c_str());
        return;
    }
    if (!schema_writer_for(type.c_str())) {
        schema_print(nullptr, "Feature not implemented yet: %s\n", type.c_str());
        return;
    }
    schema_show_ddl(nullptr, owner.c_str(), type.c_str(), object.c_str());
}

}  // namespace

void command_ddl(const ClientCommandContext& c) {
    cut_terminator(c.terminator);
    write_ddl(c);
    finish(c.console, true, false);
}
