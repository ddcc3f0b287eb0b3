// The failing VFS: every method forwards to the default VFS's file; xRead, xWrite,
// xSync and xLock consult their countdown first.
#include "fault_vfs.h"

#include <sqlite3.h>

#include <cstring>

namespace fault_vfs {
namespace {

struct Countdown {
    std::atomic<int> left{-1};
    std::atomic<int> failed{0};
    // True when this call is to fail.
    bool take() {
        int n = left.load();
        while (n > 0 && !left.compare_exchange_weak(n, n - 1)) {
        }
        if (n != 0) return false;
        failed.fetch_add(1);
        return true;
    }
};

Countdown g_calls[4];
std::atomic<bool> g_disk_full{false};
sqlite3_vfs* g_base = nullptr;
sqlite3_vfs g_vfs;

struct FaultFile {
    sqlite3_file base;       // methods: g_io
    sqlite3_file* real;      // the default VFS's file, allocated after this struct
};

Countdown& countdown(Call c) { return g_calls[static_cast<int>(c)]; }
sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<FaultFile*>(f)->real; }

int f_close(sqlite3_file* f) { return real(f)->pMethods ? real(f)->pMethods->xClose(real(f)) : SQLITE_OK; }
int f_read(sqlite3_file* f, void* p, int n, sqlite3_int64 off) {
    if (countdown(Call::Read).take()) return SQLITE_IOERR_READ;
    return real(f)->pMethods->xRead(real(f), p, n, off);
}
int f_write(sqlite3_file* f, const void* p, int n, sqlite3_int64 off) {
    if (countdown(Call::Write).take()) return g_disk_full.load() ? SQLITE_FULL : SQLITE_IOERR_WRITE;
    return real(f)->pMethods->xWrite(real(f), p, n, off);
}
int f_truncate(sqlite3_file* f, sqlite3_int64 size) { return real(f)->pMethods->xTruncate(real(f), size); }
int f_sync(sqlite3_file* f, int flags) {
    if (countdown(Call::Sync).take()) return SQLITE_IOERR_FSYNC;
    return real(f)->pMethods->xSync(real(f), flags);
}
int f_size(sqlite3_file* f, sqlite3_int64* size) { return real(f)->pMethods->xFileSize(real(f), size); }
int f_lock(sqlite3_file* f, int level) {
    if (countdown(Call::Lock).take()) return SQLITE_IOERR_LOCK;
    return real(f)->pMethods->xLock(real(f), level);
}
int f_unlock(sqlite3_file* f, int level) { return real(f)->pMethods->xUnlock(real(f), level); }
int f_check(sqlite3_file* f, int* out) { return real(f)->pMethods->xCheckReservedLock(real(f), out); }
int f_control(sqlite3_file* f, int op, void* arg) { return real(f)->pMethods->xFileControl(real(f), op, arg); }
int f_sector(sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); }
int f_device(sqlite3_file* f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); }

// Shared memory is forwarded, so that databases in WAL mode work as they do without
// the fault VFS (the WAL file's writes and syncs fail like any other); memory mapping
// is left out (version 2), so every page still goes through xRead and xWrite.
int f_shm_map(sqlite3_file* f, int page, int size, int extend, void volatile** out) {
    return real(f)->pMethods->xShmMap(real(f), page, size, extend, out);
}
int f_shm_lock(sqlite3_file* f, int offset, int n, int flags) {
    return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void f_shm_barrier(sqlite3_file* f) { real(f)->pMethods->xShmBarrier(real(f)); }
int f_shm_unmap(sqlite3_file* f, int remove) { return real(f)->pMethods->xShmUnmap(real(f), remove); }

const sqlite3_io_methods g_io = {2,           f_close,     f_read,        f_write,     f_truncate, f_sync,
                                 f_size,      f_lock,      f_unlock,      f_check,     f_control,  f_sector,
                                 f_device,    f_shm_map,   f_shm_lock,    f_shm_barrier, f_shm_unmap, nullptr,
                                 nullptr};

int v_open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* out_flags) {
    auto* f = reinterpret_cast<FaultFile*>(file);
    f->real = reinterpret_cast<sqlite3_file*>(f + 1);
    std::memset(f->real, 0, static_cast<size_t>(g_base->szOsFile));
    const int rc = g_base->xOpen(g_base, name, f->real, flags, out_flags);
    f->base.pMethods = f->real->pMethods ? &g_io : nullptr;
    return rc;
}
int v_delete(sqlite3_vfs*, const char* name, int sync) { return g_base->xDelete(g_base, name, sync); }
int v_access(sqlite3_vfs*, const char* name, int flags, int* out) { return g_base->xAccess(g_base, name, flags, out); }
int v_full(sqlite3_vfs*, const char* name, int n, char* out) { return g_base->xFullPathname(g_base, name, n, out); }
void* v_dlopen(sqlite3_vfs*, const char* name) { return g_base->xDlOpen(g_base, name); }
void v_dlerror(sqlite3_vfs*, int n, char* out) { g_base->xDlError(g_base, n, out); }
void (*v_dlsym(sqlite3_vfs*, void* h, const char* name))(void) { return g_base->xDlSym(g_base, h, name); }
void v_dlclose(sqlite3_vfs*, void* h) { g_base->xDlClose(g_base, h); }
int v_random(sqlite3_vfs*, int n, char* out) { return g_base->xRandomness(g_base, n, out); }
int v_sleep(sqlite3_vfs*, int us) { return g_base->xSleep(g_base, us); }
int v_time(sqlite3_vfs*, double* out) { return g_base->xCurrentTime(g_base, out); }
int v_last_error(sqlite3_vfs*, int n, char* out) { return g_base->xGetLastError ? g_base->xGetLastError(g_base, n, out) : 0; }

}  // namespace

void install() {
    heal();
    if (g_base) return;
    g_base = sqlite3_vfs_find(nullptr);
    g_vfs = sqlite3_vfs{};
    g_vfs.iVersion = 1;
    g_vfs.szOsFile = static_cast<int>(sizeof(FaultFile)) + g_base->szOsFile;
    g_vfs.mxPathname = g_base->mxPathname;
    g_vfs.zName = "vantro_fault";
    g_vfs.xOpen = v_open;
    g_vfs.xDelete = v_delete;
    g_vfs.xAccess = v_access;
    g_vfs.xFullPathname = v_full;
    g_vfs.xDlOpen = v_dlopen;
    g_vfs.xDlError = v_dlerror;
    g_vfs.xDlSym = v_dlsym;
    g_vfs.xDlClose = v_dlclose;
    g_vfs.xRandomness = v_random;
    g_vfs.xSleep = v_sleep;
    g_vfs.xCurrentTime = v_time;
    g_vfs.xGetLastError = v_last_error;
    sqlite3_vfs_register(&g_vfs, 1);
}

void fail(Call call, int after_calls, bool disk_full) {
    if (call == Call::Write) g_disk_full.store(disk_full);
    countdown(call).left.store(after_calls);
}

void heal() {
    for (Countdown& c : g_calls) {
        c.left.store(-1);
        c.failed.store(0);
    }
}

int failures(Call call) { return countdown(call).failed.load(); }

}  // namespace fault_vfs
