// What DML may do through a view, column by column, as the dictionary shows it
// (USER_UPDATABLE_COLUMNS): a view over one table passes DML to it, a join view to the
// one key-preserved table a statement's columns belong to. view_dml.cpp decides both.
#pragma once

#include "values/sql_types.h"

#include <string>
#include <vector>

struct ViewColumnUse {
    std::string name;
    bool updatable = false;
    bool insertable = false;
    bool deletable = false;
};

// The uses of each column of owner.view in order; false when it is no view the catalog
// can read (a table: every use is allowed).
bool view_column_uses(CatalogView* catalog, const std::string& owner, const std::string& view,
                      std::vector<ViewColumnUse>* out);
