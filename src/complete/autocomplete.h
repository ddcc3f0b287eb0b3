// Autocomplete: Tab in the console offers completions of the word before the cursor:
// keywords of the grammar, names from the data dictionary, columns and package members
// after a dot, and file names after @, spool and start. The list itself is kept here; the
// front end only shows it (Frontend::hint_*) and forwards the keys that work on it.
// Runs on the GUI thread while no statement worker runs.
#pragma once

#include <string>
#include <vector>

struct ConsoleBuffer;

// Tab: 1 when it acted (a list opened, a single match was inserted, or the context gave
// nothing and the Tab is consumed), 0 when there is nothing to complete here (the front
// end then types the Tab as blanks). Closes an open list first.
int autocomplete_start(ConsoleBuffer* console);
// After a character was typed while the list is open: the list follows the word (and is
// accepted when one entry is left, closed when none is).
void autocomplete_refresh(ConsoleBuffer* console);
// Inserts the selected entry in place of the partial word and closes the list.
void autocomplete_accept(ConsoleBuffer* console);
void autocomplete_close(ConsoleBuffer* console);
// Up (-1) and Down (+1) while the list is open.
void autocomplete_move(ConsoleBuffer* console, int delta);
// The user chose an entry in the list itself (a click): it becomes the selected one. An
// index outside the list changes nothing.
void autocomplete_select(ConsoleBuffer* console, int index);

bool autocomplete_is_open();
// The entries shown, in order, and the selected one (-1: none).
std::vector<std::string> autocomplete_entries();
int autocomplete_selected();
