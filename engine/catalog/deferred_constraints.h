// The session's side of deferrable primary keys, unique keys, checks and NOT NULL
// constraints (foreign keys are deferred by SQLite itself). Their triggers ask
// vantro_constraint_deferred(id, initially_deferred) whether to check a row now; while
// the answer is yes the constraint is noted as pending and its rows are checked as a
// whole when the transaction commits or when SET CONSTRAINTS makes it IMMEDIATE.
#pragma once

#include "values/errors.h"

#include <sqlite3.h>

#include <map>
#include <set>
#include <string>
#include <vector>

struct DeferredConstraints {
    int all = -1;                     // SET CONSTRAINTS ALL: 1 DEFERRED, 0 IMMEDIATE, -1 not set
    std::map<long long, bool> modes;  // SET CONSTRAINTS names, by id: true DEFERRED
    std::set<long long> pending;      // deferred constraints whose rows changed
    // Foreign keys declared INITIALLY DEFERRED that SET CONSTRAINTS made IMMEDIATE: SQLite
    // still defers them, so each statement's rows are checked at its end.
    int all_keys = -1;                 // SET CONSTRAINTS ALL: 1 IMMEDIATE, 0 DEFERRED
    std::map<std::string, bool> keys;  // "OWNER.NAME": true IMMEDIATE
};

// A constraint as SET CONSTRAINTS names it.
struct DeferrableConstraint {
    long long id = 0;
    char type = 'C';  // P, U, C or R
    bool deferrable = false;
    bool initially_deferred = false;
};

// Installs vantro_constraint_deferred on the session's connection.
bool deferred_constraints_register(sqlite3* db, DeferredConstraints* d);
// The transaction ended: every constraint is back in its initial mode, nothing pending.
void deferred_constraints_reset(DeferredConstraints* d);
// Finds owner.name among the catalog's constraints.
bool deferred_constraint_find(sqlite3* db, const std::string& owner, const std::string& name,
                              DeferrableConstraint* out);
// True when the engine's triggers keep the key or check with this id, so that the session
// can defer it (SQLite's own keys and NOT NULL columns are checked at each statement).
bool deferred_constraint_kept(sqlite3* db, const std::string& owner, long long id);
// True when some enabled DEFERRABLE INITIALLY IMMEDIATE constraint cannot be deferred
// here: a foreign key (SQLite defers keys only as declared) or one SQLite keeps.
bool deferred_constraints_any_fixed(sqlite3* db);
// The foreign keys declared INITIALLY DEFERRED that are IMMEDIATE now ("OWNER.NAME").
std::vector<std::string> deferred_foreign_keys_immediate(sqlite3* db, const DeferredConstraints& d);
// Sets the mode of one constraint (id) or, with id 0, of all.
void deferred_constraints_set(DeferredConstraints* d, long long id, bool deferred);
// Checks the rows of the pending constraints (only those of ids when given): false with
// the first violated constraint's own error (ORA-00001, ORA-02290) in err. A constraint
// that holds is no longer pending.
bool deferred_constraints_check(sqlite3* db, DeferredConstraints* d, const std::set<long long>* ids, OraError* err);
