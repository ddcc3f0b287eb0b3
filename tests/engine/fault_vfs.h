// Test helper: a SQLite VFS over the default one that fails chosen calls. Registered as
// the default VFS, it serves every connection the process opens afterwards, the
// embedded engine's included when the engine shares the process's SQLite library
// (native builds). Each kind of call has a countdown: -1 never fails, 0 fails the next
// call of that kind and every later one until disarmed, n lets n calls pass first.
#pragma once

#include <atomic>

namespace fault_vfs {

enum class Call { Read, Write, Sync, Lock };

// Installs the VFS as the default (once; later calls only disarm every countdown).
void install();
// Arms the countdown of one kind of call; the code the failing call returns is
// SQLITE_FULL for writes when `disk_full`, otherwise the kind's I/O error.
void fail(Call call, int after_calls, bool disk_full = false);
// Disarms every countdown.
void heal();
// How many calls of one kind were failed since the last heal.
int failures(Call call);

}  // namespace fault_vfs
