// Files that outlive a run: the command history file, the daily history log per
// database and the debug log; and the message-box helpers for errors that are not
// database errors. Per-user folders come from the platform layer (VANTRO_HOME isolates
// them). Must not call a window system: message boxes go through the front-end seam.
#pragma once

#include <string>

#include "console/console_buffer.h"

struct ConsoleBuffer;

// The database name of the open session as typed after "@" when connecting; the
// database module installs it. Without one (or while it returns empty) logs say "local".
void history_install_database_name(std::string (*current_database)());

// Path of the command history file "vantro.his": the Windows directory when it can be
// written there (and VANTRO_HOME is not set), otherwise the per-user data folder.
std::string history_file_path();
// Path of today's log for the current database.
std::string history_log_path();

// Writes / reads the command history file (only when option `savehistory` is on).
// Save: records of a 4-byte little-endian length and the text, the ';' or '/' terminator
// appended and counted. 0, or -1 when the file could not be written (a message box said why).
int history_save(ConsoleBuffer* console);
// Load: each record is taken into the history like a typed statement, silently.
void history_load(ConsoleBuffer* console);

// Appends "\r\n\r\n<dd-mm-yyyy hh:mm:ss>\r\n\r\n" and the text to the daily log; failures
// are silent.
void history_log_statement(const char* text);
// The time-stamp header of one daily log block for the given time.
std::string history_log_header(const std::tm& local_time);

// Appends one message to "vantro.log" in the current directory when option `debug` is on.
void debug_log(const char* format, ...) VANTRO_PRINTF(1, 2);

// A modal error message through the front end.
void error_box(const char* format, ...) VANTRO_PRINTF(1, 2);
// The system's text for the calling thread's last error, in an error box.
void last_error_box();
