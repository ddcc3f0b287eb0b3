// The script runner and the spool command. A script works on private copies of the
// options and variables, which are put back when it ends; its lines go through the
// console's typing path and the dispatcher like typed input. Nothing here talks to the
// database or to a window.
#include "command/scripts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "command/client_commands.h"
#include "command/command_handlers.h"
#include "command/command_table.h"
#include "command/statement.h"
#include "command/variables.h"
#include "command/whenever.h"
#include "console/console_buffer.h"
#include "frontend/frontend.h"
#include "platform/files.h"
#include "platform/process.h"
#include "settings/options.h"

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string trimmed(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && is_blank(text[begin])) ++begin;
    while (end > begin && is_blank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

bool is_separator(char c) { return c == '/' || c == '\\' || c == ':'; }

// The drive and directory part of a path, with its final separator; empty when none.
std::string directory_part(const std::string& path) {
    size_t end = path.size();
    while (end > 0 && !is_separator(path[end - 1])) --end;
    return path.substr(0, end);
}

// The name with ".sql" added when its file name has no extension.
std::string with_default_extension(const std::string& name) {
    const size_t file_start = directory_part(name).size();
    if (name.find('.', file_start) == std::string::npos) return name + ".sql";
    return name;
}

void set_script_directory(ConsoleBuffer* console, const std::string& directory) {
    // The directory is a path of at most kPathMax - 1 bytes; a longer one cannot be used
    // to resolve "@@" names and is left empty rather than cut.
    if (directory.size() >= static_cast<size_t>(kPathMax)) {
        console->script_directory[0] = '\0';
        return;
    }
    std::memcpy(console->script_directory, directory.c_str(), directory.size() + 1);
}

void print_prompt(ConsoleBuffer* console) {
    if (console->silent.load()) return;
    const std::string prompt = console->options ? console->options->text(Option::Prompt) : "SQL>";
    console_print_nospool("%s ", prompt.c_str());
}

void set_screen(ConsoleBuffer* console, int value) {
    if (console->options) (*console->options)[Option::Screen].number.store(value);
}

// Ends the outermost script: typing is accepted again on a fresh prompt.
void end_outermost(ConsoleBuffer* console) {
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    console->echo.store(1);
    set_screen(console, console->saved_screen);
    print_prompt(console);
    busy_thread_id.store(0);
    console->script_directory[0] = '\0';
    console->script_stop.store(0);
}

struct FileCloser {
    std::FILE* file;
    ~FileCloser() {
        if (file) std::fclose(file);
    }
};

// Opens a script: a name with a directory part as it stands; one without in the current
// folder and then in each folder of the SQLPATH variable, in order. *opened gets the
// path that was opened.
std::FILE* open_on_path(const std::string& name, std::string* opened) {
    *opened = name;
    if (std::FILE* file = std::fopen(name.c_str(), "rb")) return file;
    const char* search = std::getenv("SQLPATH");
    if (!search || !*search || !directory_part(name).empty()) return nullptr;
    const char separator = platform_path_list_separator();
    std::string folders = search;
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(separator, start);
        if (end == std::string::npos) end = folders.size();
        std::string folder = folders.substr(start, end - start);
        start = end + 1;
        if (folder.empty()) continue;
        if (!is_separator(folder.back())) folder += '/';
        const std::string path = folder + name;
        if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
            *opened = path;
            return file;
        }
    }
    return nullptr;
}

// Opens the script named at the start of `text`: the name ends at a blank; when that
// file cannot be opened, the name is extended to the next blank, so that names with
// blanks work without quotes. On success `rest` holds the text after the name.
std::FILE* open_script(const std::string& text, std::string* tried, std::string* rest) {
    size_t end = text.find(' ');
    for (;;) {
        const std::string name = with_default_extension(text.substr(0, end));
        *tried = name;
        if (std::FILE* file = open_on_path(name, tried)) {
            *rest = end == std::string::npos ? std::string() : text.substr(end + 1);
            return file;
        }
        if (end == std::string::npos) return nullptr;
        end = text.find(' ', end + 1);
    }
}

void type_rest_of_input(ConsoleBuffer* console) {
    bool pending;
    {
        std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
        pending = !g_input.text.empty();
        if (pending) input_type_text(console, "/");
    }
    if (pending) input_enter(console);
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    if (!g_input.text.empty()) {
        console_print("\r");
        finish(console, false, false);
    }
}

// Reads the file line by line and types each line with Enter.
void read_lines(ConsoleBuffer* console, std::FILE* file, const std::string& directory, bool relative,
                std::string* tail) {
    char chunk[kScriptChunkSize];
    for (;;) {
        if (console->script_stop.load()) return;
        const size_t got = std::fread(chunk, 1, sizeof chunk, file);
        if (got == 0) return;
        tail->append(chunk, got);
        for (char& c : *tail)
            if (c == '\r') c = ' ';
        size_t start = 0, newline;
        bool any_line = false;
        while ((newline = tail->find('\n', start)) != std::string::npos) {
            if (console->script_stop.load()) return;
            any_line = true;
            variables_type_line(console, tail->substr(start, newline - start), true);
            start = newline + 1;
            // A nested script may have moved the script directory.
            set_script_directory(console, directory);
            if (relative && !directory.empty()) platform_set_current_directory(directory.c_str());
        }
        tail->erase(0, start);
        if (!any_line && got == sizeof chunk) {
            // A line longer than a chunk joins the input with what follows; a shorter
            // rest is the last line, typed with Enter at the end of the file.
            variables_type_line(console, *tail, false);
            tail->clear();
        }
        if (std::ferror(file)) return;
    }
}


}  // namespace

// SPOOL file [CREATE|REPLACE|APPEND] | OFF. CREATE refuses an existing file, APPEND
// writes behind what the file holds, REPLACE (the default) starts it afresh.
void command_spool(const ClientCommandContext& c) {
    if (c.count != 2 && c.count != 3) {
        command_usage(c.command);
        finish(c.console, true, false);
        return;
    }
    std::string name = c.words[1];
    std::string mode = c.count == 3 ? c.words[2] : "replace";
    std::string& last = c.count == 3 ? mode : name;
    if (!last.empty() && last.back() == ';') last.pop_back();
    if (c.count == 2 && word_is_one_of(name.c_str(), "off")) {
        if (std::FILE* old = console_spool_swap(c.console, nullptr)) {
            if (std::fclose(old) != 0) {
                const std::string error = "Writing the spool file failed: " + platform_last_error_text();
                if (Frontend* front = frontend()) front->error_box(error.c_str());
            }
        } else
            console_print("Not currently spooling\n");
        finish(c.console, true, false);
        return;
    }
    const bool create = word_is_one_of(mode.c_str(), "cre crea creat create");
    const bool append = word_is_one_of(mode.c_str(), "app appe appen append");
    if (!create && !append && !word_is_one_of(mode.c_str(), "rep repl repla replac replace")) {
        command_usage(c.command);
        finish(c.console, true, false);
        return;
    }
    if (create) {
        if (std::FILE* existing = std::fopen(name.c_str(), "rb")) {
            std::fclose(existing);
            console_print("File %s already exists; spool it with REPLACE or APPEND\n", name.c_str());
            whenever_os_failed(c.console);
            finish(c.console, true, false);
            return;
        }
    }
    if (std::FILE* old = console_spool_swap(c.console, nullptr)) std::fclose(old);
    if (std::FILE* file = platform_file_open_private(name.c_str(), append ? "ab" : "wb")) {
        console_spool_swap(c.console, file);
    } else {
        const std::string error = platform_last_error_text();
        if (Frontend* front = frontend()) front->error_box(error.c_str());
        whenever_os_failed(c.console);
    }
    finish(c.console, true, false);
}

int run_script_worker(StatementJob* job) {
    ConsoleBuffer* console = job->console;
    console->echo.store(0);
    if (console->script_depth.load() == 0 && console->options) {
        console->saved_screen = console->options->number(Option::Screen);
        set_screen(console, 1);
    }
    finish(console, true, false);
    console->script_depth.fetch_add(1);

    std::string text = trimmed(job->text);
    if (!text.empty() && text[0] == '@') text = trimmed(text.substr(1));
    // The directory to come back to is the one before "@@" moves to the calling script's.
    const std::string start_directory = platform_current_directory();
    bool relative = false;
    if (!text.empty() && text[0] == '@') {
        text = trimmed(text.substr(1));
        relative = true;
        if (console->script_directory[0]) platform_set_current_directory(console->script_directory);
    }

    std::string quoted;
    if (!text.empty() && text[0] == '"') {
        const size_t close = text.find('"', 1);
        quoted = text.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        text = close == std::string::npos ? std::string() : trimmed(text.substr(close + 1));
    }

    HashTable own{};
    variables_create(&own, variables_current());
    HashTable* caller_table = variables_swap(&own);

    std::string tried, arguments;
    std::FILE* file = nullptr;
    if (!quoted.empty()) {
        tried = with_default_extension(quoted);
        const std::string name = tried;
        file = open_on_path(name, &tried);
        if (!file) tried = name;
        arguments = text;
    } else {
        file = open_script(text, &tried, &arguments);
    }
    if (!file) {
        console_print("Failed to open %s\n", tried.c_str());
        whenever_os_failed(console);
        if (relative) platform_set_current_directory(start_directory.c_str());
        const int depth = console->script_depth.fetch_sub(1) - 1;
        variables_swap(caller_table);
        variables_destroy(&own);
        delete job;
        if (depth == 0) {
            std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
            set_screen(console, console->saved_screen);
            console->echo.store(1);
            print_prompt(console);
            busy_thread_id.store(0);
            console->script_stop.store(0);
        }
        return -1;
    }
    FileCloser closer{file};
    // read_lines takes the file in chunks: each chunk is one read, without a copy through a
    // smaller stream buffer.
    std::setvbuf(file, nullptr, _IONBF, 0);
    const std::string directory = directory_part(tried);
    set_script_directory(console, directory);
    if (!arguments.empty()) variables_define_arguments(arguments.c_str());
    const OptionTable saved_options = console->options ? *console->options : OptionTable();

    std::string tail;
    read_lines(console, file, directory, relative, &tail);

    if (!tail.empty() && !console->script_stop.load()) variables_type_line(console, tail, true);
    type_rest_of_input(console);
    // Option changes made by the script end with it, those of a last line without a line
    // end included.
    if (console->options) *console->options = saved_options;

    platform_set_current_directory(start_directory.c_str());
    std::fclose(closer.file);
    closer.file = nullptr;
    const int depth = console->script_depth.fetch_sub(1) - 1;
    variables_swap(caller_table);
    variables_destroy(&own);
    delete job;
    if (depth == 0) end_outermost(console);
    return 0;
}

void scripts_install() {
    WorkerRoutines routines = dispatcher_workers();
    routines.script = run_script_worker;
    dispatcher_install_workers(routines);
}
