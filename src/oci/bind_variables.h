// Bind variables of the session: declared by the VARIABLE command, shown by PRINT, and
// bound by name into every statement the user runs that names them (":name"), in and out.
// The store is shared by the console thread (declare, print) and the statement worker
// (bind, read back); its calls lock it.
#pragma once

#include <memory>
#include <string>
#include <vector>

struct OCIStmt;

struct BindVariable {
    std::string name;    // upper case
    std::string type;    // as declared and shown: "NUMBER", "VARCHAR2(20)", ...
    int capacity = 0;    // bytes the value may hold
    bool pad = false;    // CHAR and NCHAR values are padded with blanks to their length
    bool null = true;
    std::string value;
    // A REFCURSOR: the statement handle a block opened its query on (owned by the store;
    // null until a statement opened it, and again once PRINT took it).
    bool cursor = false;
    OCIStmt* handle = nullptr;
};

// Declares (or declares again, which empties it) the variable `name` of type `type`
// ("NUMBER", "VARCHAR2(30)", "CHAR", ...). Empty on success, else the message to show.
std::string bind_variable_declare(const std::string& name, const std::string& type);
// A copy of the variable, or false when it is not declared.
bool bind_variable_find(const std::string& name, BindVariable* variable);
// Every variable in the order of declaration.
std::vector<BindVariable> bind_variable_list();
// Forgets every variable, freeing the statement handles of REFCURSOR variables (call it
// while the OCI environment still exists).
void bind_variables_clear();
// Takes the open statement handle of a REFCURSOR variable (the caller frees it); null
// when the variable is no REFCURSOR or holds no open cursor.
OCIStmt* bind_variable_take_cursor(const std::string& name);

// The ":name" placeholders of a statement, outside literals, quoted identifiers and
// comments, each name once (upper case), in order of appearance.
std::vector<std::string> bind_placeholders(const char* text);

// The buffers of one statement's host binds. attach binds every declared variable the
// statement names; store copies the values the statement gave them back into the store
// (called only after a successful execution).
class HostBinds {
public:
    HostBinds() = default;
    HostBinds(const HostBinds&) = delete;
    HostBinds& operator=(const HostBinds&) = delete;
    ~HostBinds();
    // 0, or -1 after a bind failed (reported through the OCI error reporter).
    int attach(OCIStmt* statement, const char* text);
    void store();

private:
    struct Slot {
        std::string name;
        std::vector<char> buffer;
        short indicator = 0;
        bool pad = false;
        int length = 0;
        OCIStmt* cursor = nullptr;   // REFCURSOR: the handle bound for the block to open
    };
    std::vector<std::unique_ptr<Slot>> slots_;
};
