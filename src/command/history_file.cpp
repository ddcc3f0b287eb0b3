// The command history file, the daily history log, the debug log and the error boxes.
// Files are opened and closed per operation, except the daily log, which stays open; a
// failed write of the log is reported (once until a write succeeds again), debug writes
// fail silently.
#include "command/history_file.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include "command/history.h"
#include "command/statement.h"
#include "frontend/frontend.h"
#include "platform/files.h"
#include "platform/system_folder.h"
#include "settings/options.h"

namespace {

std::string (*g_current_database)() = nullptr;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::tm local_time_now() {
    const std::time_t now = std::time(nullptr);
    std::tm result{};
#if defined(_WIN32)
    localtime_s(&result, &now);
#else
    localtime_r(&now, &result);
#endif
    return result;
}

}  // namespace

void history_install_database_name(std::string (*current_database)()) { g_current_database = current_database; }

std::string history_file_path() {
    // The system folder (Windows directory) is where the file has always been; an isolated
    // home (VANTRO_HOME) or a system folder the user cannot write sends it to the per-user
    // data folder instead.
    const char* home = std::getenv("VANTRO_HOME");
    const std::string system = platform_system_folder();
    if ((!home || !*home) && !system.empty()) {
        const std::string path = system + "\\vantro.his";
        if (platform_file_writable(path.c_str())) return path;
    }
    const std::string folder = platform_user_folder(UserFolder::Data);
    return folder.empty() ? std::string() : folder + "/vantro.his";
}

std::string history_log_path() {
    const std::string folder = platform_user_folder(UserFolder::Documents);
    if (folder.empty()) return std::string();
    std::string database = g_current_database ? g_current_database() : std::string();
    if (database.empty()) database = "local";
    // The database text may be a host:port/service or a descriptor: characters that
    // would leave the folder or are not allowed in a file name become underscores.
    for (char& c : database)
        if (static_cast<unsigned char>(c) < 0x20 || std::strchr("/\\:*?\"<>|", c)) c = '_';
    if (database == "." || database == "..") database = "_";
    return folder + "/vantro_history_" + database + ".txt";
}

int history_save(ConsoleBuffer* console) {
    if (!console->options || !console->options->on(Option::Savehistory)) return 0;
    const std::string path = history_file_path();
    if (path.empty()) {
        last_error_box();
        return -1;
    }
    // The new history replaces the old file only once it is complete: a crash or a full
    // disk leaves the previous history as it was.
    ReplacingFile file(path);
    if (!file.get()) {
        last_error_box();
        return -1;
    }
    bool ok = true;
    for (const HistoryEntry& entry : history_entries()) {
        const bool terminated = entry.terminator == ';' || entry.terminator == '/';
        const auto length = static_cast<std::uint32_t>(entry.text.size() + (terminated ? 1 : 0));
        const unsigned char header[4] = {static_cast<unsigned char>(length), static_cast<unsigned char>(length >> 8),
                                         static_cast<unsigned char>(length >> 16),
                                         static_cast<unsigned char>(length >> 24)};
        ok = ok && std::fwrite(header, 1, 4, file.get()) == 4;
        ok = ok && std::fwrite(entry.text.data(), 1, entry.text.size(), file.get()) == entry.text.size();
        if (terminated) ok = ok && std::fputc(entry.terminator, file.get()) != EOF;
    }
    if (!ok || !file.commit()) {
        last_error_box();
        return -1;
    }
    return 0;
}

void history_load(ConsoleBuffer* console) {
    if (!console->options || !console->options->on(Option::Savehistory)) return;
    const std::string path = history_file_path();
    File file(path.empty() ? nullptr : std::fopen(path.c_str(), "rb"));
    if (!file) return;
    OptionEntry& history_option = (*console->options)[Option::History];
    const int saved_history = history_option.number.load();
    const int saved_echo = console->echo.exchange(0);
    history_option.number.store(0);
    // The file's length, for the check of each record's length below.
    std::fseek(file.get(), 0, SEEK_END);
    const long end = std::ftell(file.get());
    std::fseek(file.get(), 0, SEEK_SET);
    for (;;) {
        unsigned char header[4];
        if (std::fread(header, 1, 4, file.get()) != 4) break;
        const std::uint32_t length = static_cast<std::uint32_t>(header[0]) | (static_cast<std::uint32_t>(header[1]) << 8) |
                                     (static_cast<std::uint32_t>(header[2]) << 16) |
                                     (static_cast<std::uint32_t>(header[3]) << 24);
        std::string text;
        // A length beyond the file's end marks a damaged record: stop rather than allocate
        // whatever the bytes say.
        const long here = std::ftell(file.get());
        if (here < 0 || end < 0 || length > static_cast<std::uint32_t>(end - here)) break;
        text.resize(length);
        if (length > 0 && std::fread(&text[0], 1, length, file.get()) != length) break;
        // The terminator byte closes the record's text; the entry keeps it apart, as the
        // dispatcher does. The file holds no database mark: a terminated entry counts as
        // a database statement, so that "r" and "/" find it after a restart.
        char terminator = '\n';
        if (!text.empty() && (text.back() == ';' || text.back() == '/')) {
            terminator = text.back();
            text.pop_back();
        }
        std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
        g_input.text = text;
        g_input.cursor = g_input.length();
        history_record(console, terminator, terminator != '\n');
        input_reset();
        history_discard_saved_input(console);
    }
    history_option.number.store(saved_history);
    console->echo.store(saved_echo);
}

std::string history_log_header(const std::tm& local_time) {
    char stamp[100];
    const size_t written = std::strftime(stamp, sizeof stamp, "\r\n\r\n%d-%m-%Y %H:%M:%S\r\n\r\n", &local_time);
    return std::string(stamp, written);
}

void history_log_statement(const char* text) {
    // A failed block is reported once, not at every statement after it, and again after
    // a block was written.
    static std::atomic<bool> failure_reported{false};
    // The log stays open from one statement to the next (statements fed one after another
    // would otherwise spend more on opening it than on running); it is opened again when
    // its name changes with the database, when the file was removed, or after a failed
    // write.
    static std::string open_path;
    static File file;
    const std::string path = history_log_path();
    if (path.empty()) return;
    if (path != open_path || !file || !platform_file_still_at(file.get(), path.c_str())) {
        file.reset(platform_file_open_private(path.c_str(), "ab"));
        open_path = file ? path : std::string();
    }
    bool written = false;
    if (file) {
        // One write per block, so that two consoles appending at once do not interleave.
        const std::string block = history_log_header(local_time_now()) + text;
        written = std::fwrite(block.data(), 1, block.size(), file.get()) == block.size();
        written = std::fflush(file.get()) == 0 && written;
#if defined(_WIN32)
        // An open file cannot be removed on Windows: there the log is closed again at once,
        // so that it never stands in the way of deleting it or its folder.
        written = std::fclose(file.release()) == 0 && written;
        open_path.clear();
#endif
        if (!written) {
            file.reset();
            open_path.clear();
        }
    }
    if (written) {
        failure_reported.store(false);
    } else if (!failure_reported.exchange(true)) {
        const std::string error = platform_last_error_text();
        error_box("Writing the history log %s failed: %s", path.c_str(), error.c_str());
    }
}

void debug_log(const char* format, ...) {
    ConsoleBuffer* console = g_console;
    if (!console || !console->options || !console->options->on(Option::Debug)) return;
    std::va_list args;
    va_start(args, format);
    char* message = myvsprintf(format, args);
    va_end(args);
    if (!message) return;
    if (std::FILE* file = platform_file_open_private("vantro.log", "a+")) {
        const size_t length = std::strlen(message);
        std::fprintf(file, length > 0 && message[length - 1] == '\n' ? "%s" : "%s\n", message);
        std::fclose(file);
    }
    std::free(message);
}

void error_box(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    char* message = myvsprintf(format, args);
    va_end(args);
    if (!message) return;
    if (Frontend* front = frontend()) front->error_box(message);
    std::free(message);
}

void last_error_box() {
    const std::string text = platform_last_error_text();
    error_box("%s", text.c_str());
}
