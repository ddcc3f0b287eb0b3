// A small in-memory catalog (SCOTT's EMP and DEPT) for the fuzzers of the engine's
// compilers, which translate SQL but never run it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "sql/sql_translate.h"

namespace fuzz {

class FuzzCatalog : public CatalogView {
public:
    FuzzCatalog() {
        tables["SCOTT.EMP"] = {col("EMPNO", kTypeNumber, 22), col("ENAME", kTypeVarchar2, 10),
                               col("HIREDATE", kTypeDate, 7), col("SAL", kTypeNumber, 22),
                               col("DEPTNO", kTypeNumber, 22)};
        tables["SCOTT.DEPT"] = {col("DEPTNO", kTypeNumber, 22), col("DNAME", kTypeVarchar2, 14)};
    }
    bool table_columns(const std::string& owner, const std::string& table, std::vector<ColumnInfo>* columns) override {
        auto it = tables.find(owner + "." + table);
        if (it == tables.end()) return false;
        *columns = it->second;
        return true;
    }
    bool schema_exists(const std::string& owner) override { return owner == "SCOTT"; }
    bool object_exists(const std::string& owner, const std::string& name) override {
        return tables.count(owner + "." + name) > 0;
    }
    bool index_exists(const std::string&, const std::string&) override { return false; }
    bool constraint_exists(const std::string&, const std::string&) override { return false; }
    long long next_constraint_number() override { return 1; }

private:
    static ColumnInfo col(const char* name, std::uint16_t code, std::uint32_t size) {
        ColumnInfo c;
        c.name = name;
        c.type.code = code;
        c.type.size = size;
        return c;
    }
    std::map<std::string, std::vector<ColumnInfo>> tables;
};

}  // namespace fuzz
