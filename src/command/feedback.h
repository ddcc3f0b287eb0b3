// The feedback texts of database statements, chosen from the statement's words before it
// is handed to a worker: a progress text shown while it runs and a done text shown after
// it succeeded. Stored units and views also become the last compiled object, which
// `show errors` reads.
#pragma once

#include <string>

struct StatementJob;

// Fills job->progress_message and job->done_message from the words (at most ten) by the
// job's kind; both stay empty when no row of the feedback tables matches.
void feedback_fill_messages(StatementJob* job, const char* const* words, int count);

// The type word ("PROCEDURE", "PACKAGE BODY", "VIEW", ...) and name of the last stored unit
// or view compiled; both empty before the first.
struct CompiledObject {
    std::string type;
    std::string name;
};
CompiledObject last_compiled_object();
void set_last_compiled_object(const char* type, const char* name);
