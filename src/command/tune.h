// The tune command and the explain that runs before queries and DML while autotrace is on,
// and the SQL analyzer's Execute.
#pragma once

#include <string>

struct ConsoleBuffer;

// Installs the tune command and the autotrace explain hook.
void tune_install();

// The analyzer's Execute: the text, trimmed and ended with ";", typed into the console as
// the user would type it (an unfinished input is dropped first), so that the dispatcher
// runs it. Nothing when only blanks are left. GUI thread, no worker running.
void analyzer_execute(ConsoleBuffer* console, const std::string& text);
