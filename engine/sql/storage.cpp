// The catalog row of a table's or an index's storage clauses: NULL for what was not
// given, so that the dictionary views show Oracle's defaults.
#include "sql/storage.h"

#include "sql/sql_text.h"

namespace {

std::string value(long long v) {
    return v < 0 ? std::string("NULL") : std::to_string(v);
}
std::string value(const std::string& v) {
    return v.empty() ? std::string("NULL") : quote_text(v);
}

}  // namespace

std::string storage_catalog_sql(const std::string& owner, const std::string& name, bool index,
                                const StorageClause& st) {
    return "INSERT OR REPLACE INTO main.vantro_storage(owner,object_name,object_kind,tablespace_name,pct_free,"
           "pct_used,ini_trans,max_trans,initial_extent,next_extent,min_extents,max_extents,pct_increase,"
           "freelists,freelist_groups,buffer_pool,logging,index_type) VALUES (" +
           quote_text(owner) + "," + quote_text(name) + "," + (index ? "'INDEX'" : "'TABLE'") + "," +
           value(st.tablespace) + "," + value(st.pct_free) + "," + value(st.pct_used) + "," + value(st.ini_trans) +
           "," + value(st.max_trans) + "," + value(st.initial) + "," + value(st.next) + "," + value(st.min_extents) +
           "," + value(st.max_extents) + "," + value(st.pct_increase) + "," + value(st.freelists) + "," +
           value(st.freelist_groups) + "," + value(st.buffer_pool) + "," + value(st.logging) + "," +
           (index ? quote_text(st.index_type) : std::string("NULL")) + ")";
}
