// The command history: the statements and commands entered since start-up, browsing
// back and forth in the console, the repeat commands "r" and "/", and loading an entry
// into the console. The history file and the daily log are in history_file.h; the
// external editor is in editor.h. No window or database calls here.
#pragma once

#include <string>
#include <vector>

struct ConsoleBuffer;

struct HistoryEntry {
    std::string text;       // trimmed, terminator cut
    char terminator = '\n'; // ';', '/' or another byte, as the dispatcher found it
    bool is_sql = false;    // the statement went to the database
};

// The recording step of finish: takes the current input into the history.
void history_record(ConsoleBuffer* console, char terminator, bool is_sql);
// Records a statement the client wrote (tune's rewritten statement) as the newest
// database statement, terminated by ";", under the same rules.
void history_record_statement(ConsoleBuffer* console, const std::string& text);
// The text as the history keeps it: a connect command without its password
// ("connect app/apw@db" becomes "connect app@db"), anything else unchanged.
std::string history_text_without_password(const std::string& text);
// Forgets the input saved when browsing began.
void history_discard_saved_input(ConsoleBuffer* console);

// Index of the newest entry sent to the database, or -1.
int history_last_sql();
// The last statement sent to the database (the SQL buffer), also when a script sent it
// and the entries did not record it; false when there is none.
bool history_sql_buffer(std::string* text);
// Prints the statement's lines numbered from 1, the last marked with "*" (list, get).
void history_print_numbered(const std::string& text);
// A copy of the entries, oldest first; the browsing position (count when none shown).
std::vector<HistoryEntry> history_entries();
int history_position();
// Leaves the entries but makes none the last database statement: "r", "/" and list
// then have nothing to run or show (clear buffer).
void history_forget_sql();
// Empties the history (start-up of a test, or before loading the history file).
void history_clear();

// The console's Previous and Next keys; nothing happens while a worker runs.
void history_previous(ConsoleBuffer* console);
void history_next(ConsoleBuffer* console);
// Replaces the input by the entry (null: an empty input) as if it had been typed.
void history_load_into_console(ConsoleBuffer* console, const HistoryEntry* entry);

// Installs the hooks of finish and the commands "r" and "/".
void history_install();
