// The value check of `accept`: a short PL/SQL block asks the session whether a typed
// value is a valid number or date (under a format mask when one was given). A number
// comes back normalised by the database; a date keeps the text the user typed.
#include "oci/oci_checkformat.h"

#include <cstring>

#include "console/console_buffer.h"
#include "oci/oci_calls.h"

namespace {

constexpr const char* kModule = "oci_checkformat";

const char* block_for(bool date, bool with_format) {
    if (date)
        return with_format ? "begin :new_value:=to_char(to_date(:value,:format)); :new_value:=:value; end;"
                           : "begin :new_value:=to_char(to_date(:value)); :new_value:=:value; end;";
    return with_format ? "begin :new_value:=to_char(to_number(:value,:format)); end;"
                       : "begin :new_value:=to_char(to_number(:value)); end;";
}

sword bind_name(OCIStmt* statement, const char* name, void* value, sb4 size, ub2 type, sb2* indicator) {
    OCIBind* bind = nullptr;
    return oci().OCIBindByName(statement, &bind, g_db->error_handle, reinterpret_cast<const OraText*>(name),
                               static_cast<sb4>(std::strlen(name)), value, size, type, indicator, nullptr, nullptr,
                               0, nullptr, OCI_DEFAULT);
}

}  // namespace

int oci_checkformat(bool date, const char* format, std::string* value) {
    if (!session_open.load()) {
        console_print("Not connected to a database");
        return -1;
    }
    OCIStmt* statement = nullptr;
    if (OCI_REPORT(oci().OCIHandleAlloc(g_db->env_handle, reinterpret_cast<void**>(&statement), OCI_HTYPE_STMT, 0,
                                        nullptr)))
        return -1;
    struct Free {
        OCIStmt* statement;
        ~Free() { oci().OCIHandleFree(statement, OCI_HTYPE_STMT); }
    } free_on_exit{statement};

    const bool with_format = format && *format;
    char new_value[1000] = {};
    sb2 new_indicator = 0;
    std::string typed = *value;
    std::string mask = with_format ? format : "";
    if (OCI_REPORT(oci_prepare(statement, block_for(date, with_format)))) return -2;
    if (OCI_REPORT(bind_name(statement, ":new_value", new_value, sizeof new_value, SQLT_STR, &new_indicator)))
        return -3;
    if (OCI_REPORT(bind_name(statement, ":value", typed.data(), static_cast<sb4>(typed.size()), SQLT_CHR, nullptr)))
        return -4;
    if (with_format &&
        OCI_REPORT(bind_name(statement, ":format", mask.data(), static_cast<sb4>(mask.size()), SQLT_CHR, nullptr)))
        return -5;
    if (OCI_REPORT(oci_execute(statement, 1))) return -6;
    new_value[sizeof new_value - 1] = '\0';
    *value = new_indicator == -1 ? std::string() : std::string(new_value);
    return 0;
}
