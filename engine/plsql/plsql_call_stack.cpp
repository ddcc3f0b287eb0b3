// The depth of PL/SQL units calling one another: counted for procedures, functions
// called from SQL, package members and triggers alike, bounded by kPlMaxCallDepth, and
// carried on to a fresh stack when the calls have used up their share of the current one.
#include "plsql/plsql.h"

#include "os/os.h"
#include "values/errors.h"

#include <cstdint>
#include <string>

bool plsql_nested_call(SessionHandle* ses, const std::function<bool(PlError*)>& body, PlError* err) {
    PlSessionState* state = plsql_session(ses);
    if (state->call_depth >= kPlMaxCallDepth) {
        *err = PlError();
        err->code = 36;
        err->message = ora_message(36, std::to_string(kPlMaxCallDepth));
        return false;
    }
    char here = 0;
    auto address = reinterpret_cast<std::uintptr_t>(&here);
    std::uintptr_t saved_base = state->stack_base;
    bool saved_fresh = state->on_fresh_stack;
    if (state->call_depth == 0) {
        state->stack_base = address;
        state->on_fresh_stack = false;
    }
    std::uintptr_t used = state->stack_base > address ? state->stack_base - address : address - state->stack_base;
    ++state->call_depth;
    bool ok = false;
    // A fresh stack's other half is far more room than the first stack's budget leaves on
    // a thread of ordinary size; a budget as small as that one would start a thread, and
    // reserve kPlStackBytes, for every few calls.
    std::uintptr_t budget = state->on_fresh_stack ? kPlStackBytes / 2 : kPlStackBudget;
    if (used < budget) {
        ok = body(err);
    } else {
        struct Job {
            const std::function<bool(PlError*)>* body;
            PlError* err;
            PlSessionState* state;
            bool ok;
        } job{&body, err, state, false};
        auto run = [](void* p) {
            Job* j = static_cast<Job*>(p);
            char top = 0;
            j->state->stack_base = reinterpret_cast<std::uintptr_t>(&top);
            j->state->on_fresh_stack = true;
            j->ok = (*j->body)(j->err);
        };
        if (!os_run_on_new_stack(kPlStackBytes, run, &job)) {
            err->code = 6500;
            err->message = ora_message(6500);
        }
        ok = job.ok;
    }
    --state->call_depth;
    state->stack_base = saved_base;
    state->on_fresh_stack = saved_fresh;
    return ok;
}
