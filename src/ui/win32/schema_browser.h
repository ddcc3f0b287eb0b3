// The schema browser of the Windows front end: a top-level window with Schema, Object and
// Name lists that narrow down to one object, and a text pane into which the DDL writers
// of the core put that object's DDL. At most one exists; the console keeps its handle
// (ConsoleBuffer::schema_window). GUI thread only.
#pragma once

#include "ui/win32/win32_app.h"

// Opens a browser and returns its window, or null when a statement worker runs or the
// window could not be created (the system's error was shown).
HWND schema_browser_open(HWND parent);

// Appends text to the pane of the browser `window` (null: the open browser, also while it
// is being created), each "\n" becoming a line break; nothing when no browser is open.
void schema_browser_append(HWND window, const char* text);

// The browser's keyboard accelerators (Ctrl+A selects the pane's text) for a key message
// of the main loop; true when the message was translated.
bool schema_browser_translate(MSG* msg);
