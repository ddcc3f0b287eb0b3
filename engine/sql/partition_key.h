// What the partition modules (partition_rows.cpp, partition_ddl.cpp) know of a partitioned
// table: its method, key columns and each partition's bounds read back from the catalog.
// Internal to sql/.
#pragma once

#include "values/errors.h"
#include "sql/sql_translator.h"

struct Translator::PartitionKey {
    std::string owner, table;
    TablePartitions tp;
    // Per partition, as its stored HIGH_VALUE gives it: one value per key column (null
    // for MAXVALUE); is_default for LIST's DEFAULT.
    std::vector<std::vector<ExprPtr>> bounds;
    std::vector<bool> is_default;
    std::vector<ColumnInfo> key_columns;
    Scope scope;  // the table's columns, named bare
    std::uint32_t at = 0;
    std::size_t find(const std::string& name) const {
        for (std::size_t i = 0; i < tp.partitions.size(); ++i)
            if (tp.partitions[i].first == name) return i;
        return tp.partitions.size();
    }
};

// Splits a stored bound list ("10, MAXVALUE", "'A','B'", "DEFAULT") into its values, each
// parsed as an expression whose offsets all read at (the statement's own text does not
// hold them); false when the text is none the grammar reads.
// texts, when given, receives each value's text as stored.
bool parse_stored_bounds(const std::string& high, std::uint32_t at, std::vector<ExprPtr>* values, bool* is_default,
                         std::vector<std::string>* texts = nullptr);
