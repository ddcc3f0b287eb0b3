// The error reporter: every OCI status passes through here, and this is the only place
// where a status becomes words. Messages go to the console, the analyzer's plan tree or a
// schema browser's text pane; the position marker of a typed statement always goes to
// the console.
#include <atomic>
#include <cstring>
#include <string>

#include "console/console_buffer.h"
#include "frontend/frontend.h"
#include "oci/db_session.h"

namespace {

std::atomic<int> g_failures{0};
std::atomic<int> g_last_code{0};

void note_failure(int code) {
    g_last_code.store(code);
    g_failures.fetch_add(1);
}

void write_to(int target, void* window, const std::string& console_text, const std::string& other_text) {
    switch (target) {
    case ReportToConsole:
        console_print("%s", console_text.c_str());
        break;
    case ReportToPlanTree:
        if (Frontend* front = frontend()) {
            front->plan_clear();
            front->plan_message(other_text.c_str());
        }
        break;
    case ReportToSchemaPane:
        if (Frontend* front = frontend()) {
            front->schema_append(window, other_text.c_str());
        }
        break;
    default:
        break;
    }
}

std::string located(const char* what, const char* module, int line) {
    return std::string("Error - ") + what + " (" + module + ", line " + std::to_string(line) + ")";
}

// The first error record of the session's error handle: its code and text.
sb4 first_error(char* text, size_t size) {
    sb4 code = 0;
    oci().OCIErrorGet(g_db->error_handle, 1, nullptr, &code, reinterpret_cast<OraText*>(text),
                      static_cast<ub4>(size), OCI_HTYPE_ERROR);
    text[size - 1] = '\0';
    return code;
}

}  // namespace

int reported_failures() { return g_failures.load(); }
int last_reported_error_code() { return g_last_code.load(); }

int report_oci_status(int status, const char* module, int line, int target, int tolerated_code, void* window) {
    switch (status) {
    case OCI_SUCCESS:
        return 0;
    case OCI_SUCCESS_WITH_INFO: {
        char text[512] = {};
        const sb4 code = g_db && g_db->error_handle ? first_error(text, sizeof text) : 0;
        if (code == 24344) {
            write_to(target, window, "\rThere are compilation errors\n", "There are compilation errors");
        } else {
            char message[64];
            std::snprintf(message, sizeof message, "Success with warnings, ORA-%-5d", static_cast<int>(code));
            write_to(target, window, std::string("\r") + message + "\n", message);
        }
        return 0;
    }
    case OCI_NEED_DATA: {
        note_failure(0);
        const std::string text = located("OCI_NEED_DATA", module, line);
        write_to(target, window, "\r" + text + "\n", text);
        return 1;
    }
    case OCI_ERROR:
    case OCI_NO_DATA: {
        if (!g_db || !g_db->error_handle) {
            note_failure(0);
            const std::string text = located("OCI_ERROR", module, line);
            write_to(target, window, text + "\n", text);
            return 1;
        }
        char text[512] = {};
        const sb4 code = first_error(text, sizeof text);
        if (tolerated_code != 0 && code == tolerated_code) return 0;
        note_failure(static_cast<int>(code));
        if (g_db->mark_error_position.exchange(0) == 1 && g_db->current_statement) {
            ub2 offset = 0;
            const sword got = oci().OCIAttrGet(g_db->current_statement, OCI_HTYPE_STMT, &offset, nullptr,
                                               OCI_ATTR_PARSE_ERROR_OFFSET, g_db->error_handle);
            if (report_oci_status(got, "oci_connect", __LINE__, ReportToConsole, 0, nullptr) == 0)
                console_show_error_position(offset);
        }
        // Oracle's text ends with its own newline, so the console shows an empty line after it.
        write_to(target, window, std::string("\r") + text + "\n", text);
        return 1;
    }
    case OCI_INVALID_HANDLE: {
        note_failure(0);
        const std::string text = located("OCI_INVALID_HANDLE", module, line);
        write_to(target, window, text + "\n", text);
        return 1;
    }
    case OCI_STILL_EXECUTING: {
        note_failure(0);
        const std::string text = located("OCI_STILL_EXECUTE", module, line);
        write_to(target, window, text + "\n", text + "\n");
        return 1;
    }
    default:
        return 1;
    }
}
