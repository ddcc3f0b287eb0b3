// POSIX implementation of the engine's OS layer.
#include "os/os.h"

#include <pthread.h>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>
#include <ctime>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {
std::string home_folder() {
    const char* h = std::getenv("HOME");
    if (h && *h) return h;
    struct passwd* pw = getpwuid(getuid());
    return pw && pw->pw_dir ? pw->pw_dir : "";
}
}  // namespace

std::string os_databases_folder() {
    const char* vh = std::getenv("VANTRO_HOME");
    if (vh && *vh) return std::string(vh) + "/databases";
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg) return std::string(xdg) + "/vantro/databases";
    std::string home = home_folder();
    if (home.empty()) return "";
    return home + "/.local/share/vantro/databases";
}

bool os_folder_exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool os_make_folders(const std::string& path) {
    if (path.empty()) return false;
    if (os_folder_exists(path)) return true;
    std::size_t cut = path.find_last_of('/');
    if (cut != std::string::npos && cut > 0 && !os_make_folders(path.substr(0, cut))) return false;
    return mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

// getpwuid_r, not getpwuid: sessions log on from several threads at once, and
// getpwuid's result lives in one static buffer.
std::string os_user_name() {
    struct passwd entry;
    struct passwd* pw = nullptr;
    std::vector<char> buf(16384);
    if (getpwuid_r(geteuid(), &entry, buf.data(), buf.size(), &pw) == 0 && pw && pw->pw_name) return pw->pw_name;
    const char* u = std::getenv("USER");
    return u ? u : "";
}

char os_path_separator() {
    return '/';
}

std::string os_host_name() {
    char buf[256];
    if (gethostname(buf, sizeof buf) != 0) return "";
    buf[sizeof buf - 1] = 0;
    return buf;
}

int os_platform_id() {
    return 13;
}

const char* os_platform_name() {
    return "Linux x86 64-bit";
}

OsLocalTime os_local_time() {
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    time_t secs = tv.tv_sec;
    struct tm t;
    localtime_r(&secs, &t);
    return {t.tm_year + 1900,
            t.tm_mon + 1,
            t.tm_mday,
            t.tm_hour,
            t.tm_min,
            t.tm_sec,
            static_cast<int>(tv.tv_usec),
            static_cast<int>(t.tm_gmtoff / 60)};
}

namespace {

struct StackJob {
    void (*fn)(void*);
    void* arg;
};

void* stack_job_main(void* p) {
    StackJob* job = static_cast<StackJob*>(p);
    job->fn(job->arg);
    return nullptr;
}

}  // namespace

bool os_run_on_new_stack(std::size_t stack_bytes, void (*fn)(void*), void* arg) {
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) return false;
    StackJob job{fn, arg};
    pthread_t thread;
    bool started =
        pthread_attr_setstacksize(&attr, stack_bytes) == 0 && pthread_create(&thread, &attr, stack_job_main, &job) == 0;
    pthread_attr_destroy(&attr);
    if (!started) return false;
    pthread_join(thread, nullptr);
    return true;
}
