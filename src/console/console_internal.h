// Helpers shared by the console's own source files; not for other modules.
#pragma once

#include <string>

#include "console/console_buffer.h"

const ConsoleCommandHooks& console_command_hooks();

// The maxlines option, at least kMaxlinesMinimum (1000 without an option table).
int console_maxlines(const ConsoleBuffer* console);

// These require console->lock.
void console_append_row_locked(ConsoleBuffer* console);
std::string& console_caret_row_locked(ConsoleBuffer* console);
bool console_keep_caret_visible_locked(ConsoleBuffer* console);

// Asks the front end to show the console again unless repaints are suppressed.
// Never call with console->lock held.
void console_notify(ConsoleBuffer* console, bool scrollbars);

// The console that output goes to, or null when no front end shows one.
ConsoleBuffer* console_output_target();

// Writes already formatted text: spool copy (when asked and a worker runs), then the
// control-character walk at the caret.
void console_write_text(const char* text, bool spool);

// The value of the prompt option ("SQL>" without an option table).
std::string console_prompt_text(const ConsoleBuffer* console);
