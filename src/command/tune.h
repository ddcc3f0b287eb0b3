// The tune command and the explain that runs before queries and DML while autotrace is on.
#pragma once

// Installs the tune command and the autotrace explain hook.
void tune_install();
