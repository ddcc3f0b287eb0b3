// Autotrace statistics: a snapshot of ten session statistics before a statement and the
// differences printed after it.
#include <algorithm>
#include <cstring>

#include "console/console_buffer.h"
#include "oci/oci_calls.h"
#include "oci/oci_statements.h"

namespace {

constexpr const char* kModule = "oci_statistics";
constexpr const char* kStatistics =
    "select s.statistic#,s.value,n.name from v$statname n,v$sesstat s where s.statistic#=n.statistic# and "
    "sid=(select sid from v$session where audsid=userenv('sessionid')) and n.statistic# in "
    "(7,38,39,40,44,182,183,184,188,189) order by 1";

std::vector<SessionStat> g_before;

}  // namespace

std::vector<SessionStat> read_session_stats() {
    std::vector<SessionStat> stats;
    StatementSlot statement(kModule);
    if (!statement.ok()) return stats;
    int number = 0, value = 0;
    char name[65] = {};
    if (OCI_REPORT(oci_prepare(statement.get(), kStatistics)) ||
        OCI_REPORT(oci_define(statement.get(), 1, &number, sizeof number, SQLT_INT, nullptr)) ||
        OCI_REPORT(oci_define(statement.get(), 2, &value, sizeof value, SQLT_INT, nullptr)) ||
        OCI_REPORT(oci_define(statement.get(), 3, name, sizeof name, SQLT_STR, nullptr)))
        return stats;
    g_db->mark_error_position.store(0);
    const sword executed = oci_execute(statement.get(), 0);
    if (executed != OCI_SUCCESS && executed != OCI_NO_DATA) {
        statement.release();
        console_print("Failed to get session statistics, check that you have enabled the PLUSTRACE role\n");
        return stats;
    }
    while (true) {
        const sword fetched = oci().OCIStmtFetch(statement.get(), g_db->error_handle, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
        if (fetched != OCI_SUCCESS && fetched != OCI_SUCCESS_WITH_INFO) break;
        SessionStat stat;
        stat.number = number;
        stat.value = value;
        name[sizeof name - 1] = '\0';
        std::memcpy(stat.name, name, sizeof name);
        stats.push_back(stat);
    }
    return stats;
}

void take_stats_snapshot(ConsoleBuffer*) { g_before = read_session_stats(); }

void print_stats_delta(ConsoleBuffer*) {
    if (g_before.empty()) return;
    const std::vector<SessionStat> after = read_session_stats();
    console_print("Statistics\n");
    console_print("------------------------------------------------\n");
    const size_t count = std::min(after.size(), g_before.size());
    for (size_t i = 0; i < count; ++i) {
        // The difference wraps like the 32-bit counters it compares.
        const int delta = static_cast<int>(static_cast<unsigned>(after[i].value) - static_cast<unsigned>(g_before[i].value));
        console_print("%10d %s\n", delta, after[i].name);
    }
    g_before.clear();
}
