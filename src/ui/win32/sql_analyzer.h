// The SQL Analyzer window of the Windows front end: a modeless dialog in which the user
// edits one statement, adds an optimizer hint picked from lists, sees its plan as a tree
// and sends it to the console. At most one exists; the console keeps its handle
// (ConsoleBuffer::analyzer_window). GUI thread only: the core's requests from other
// threads arrive as messages to the main window, in the order they were made.
#pragma once

#include <cstdint>
#include <string>

#include "ui/win32/win32_app.h"

// One plan step for the tree: its id, its parent's id (0: a root step) and its text.
struct PlanItemRequest {
    std::uintptr_t id;
    std::uintptr_t parent;
    std::string text;
};

// Creates the analyzer from its dialog template and shows it; null when it could not be
// created (the system's error was shown). With `activate` false the focus stays where it
// is (the console, for tune and autotrace).
HWND analyzer_open(HWND parent, bool activate);
// Puts a statement into the open analyzer's edit, "\n" becoming CR LF.
void analyzer_set_text(ConsoleBuffer* console, const char* text);

// The core's requests: the analyzer opened (or reused) with a statement, and its plan
// tree emptied, given one step, or given one message as its only item.
void analyzer_show_statement(const char* text);
void analyzer_plan_clear();
void analyzer_plan_insert(const PlanItemRequest& item);
void analyzer_plan_message(const char* text);

// The dialog's keyboard navigation for a message of the main loop; true when it was
// the analyzer's.
bool analyzer_dialog_message(MSG* msg);
