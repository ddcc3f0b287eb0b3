// Start-up of the portable core, shared by every front end: the console with its options
// loaded from the per-user store, and the dispatcher registered with it.
#pragma once

struct ConsoleBuffer;
class Frontend;

// Installs the front end, records the calling thread as the GUI thread, creates the
// console, loads the options and wires the dispatcher. The front end attaches the console
// (console->attached) once it can show it.
ConsoleBuffer* core_start(Frontend* front);
// Ends the database session, closes the spool and result files and releases the console.
void core_stop(ConsoleBuffer* console);
