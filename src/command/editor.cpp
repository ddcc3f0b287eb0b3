// The `edit` command on the GUI thread: writes the last database statement to the edit
// file (CR LF between lines), runs the editor and waits for it with busy_thread_id set
// to 1 so that no statement starts meanwhile, then types the edited text into the
// console and records it as the newest database statement.
#include "command/editor.h"

#include <cstdio>
#include <string>
#include <vector>

#include "command/client_commands.h"
#include "command/command_handlers.h"
#include "command/command_table.h"
#include "command/history.h"
#include "command/history_file.h"
#include "command/statement.h"
#include "console/console_buffer.h"
#include "platform/files.h"
#include "platform/process.h"
#include "settings/options.h"

namespace {

EditorHooks g_hooks;

void print_prompt(ConsoleBuffer* console) {
    if (console->silent.load()) return;
    const std::string prompt = console->options ? console->options->text(Option::Prompt) : "SQL>";
    console_print_nospool("%s ", prompt.c_str());
}

// The system's error text in a box, then "<message><name>\n" and the prompt.
void fail(ConsoleBuffer* console, const char* message, const std::string& name) {
    last_error_box();
    console_print("%s%s\n", message, name.c_str());
    print_prompt(console);
}

bool file_readable(const std::string& name) {
    if (std::FILE* file = std::fopen(name.c_str(), "rb")) {
        std::fclose(file);
        return true;
    }
    return false;
}

bool write_statement(const std::string& name, const std::string& text) {
    std::FILE* file = platform_file_open_private(name.c_str(), "w+b");
    if (!file) return false;
    bool ok = true;
    size_t start = 0, newline;
    while ((newline = text.find('\n', start)) != std::string::npos) {
        const std::string line = text.substr(start, newline - start);
        ok = ok && std::fwrite(line.data(), 1, line.size(), file) == line.size() &&
             std::fwrite("\r\n", 1, 2, file) == 2;
        start = newline + 1;
    }
    const std::string last = text.substr(start);
    ok = ok && std::fwrite(last.data(), 1, last.size(), file) == last.size();
    return std::fclose(file) == 0 && ok;
}

// Types one edited line with Enter; a line with tabs goes through the formatting path so
// that its tabs become blanks up to the next tab stop.
void type_edited_line(ConsoleBuffer* console, const std::string& line) {
    if (line.find('\t') != std::string::npos)
        input_feed(console, "%s", line.c_str());
    else
        input_type_text(console, line.c_str());
    input_enter(console);
}


}  // namespace

void command_edit(const ClientCommandContext& c) {
    ConsoleBuffer* console = c.console;
    if (c.count > 2) {
        command_usage(c.command);
        finish(console, true, false);
        return;
    }
    std::string name = c.count == 2 ? c.words[1] : "";
    finish(console, false, false);
    std::string statement;
    if (!history_sql_buffer(&statement)) {
        console_print("No previous command\n");
        print_prompt(console);
        return;
    }
    if (c.count == 2) {
        if (!file_readable(name) && name.find('.') == std::string::npos) name += ".sql";
    } else {
        name = console->options ? console->options->text(Option::EditFilename) : "afiedt.buf";
        if (!write_statement(name, statement)) {
            fail(console, "Failed to create ", name);
            return;
        }
    }

    // The setting is a program with its own arguments; the file name is one more
    // argument, whatever characters it holds.
    // A name that begins with "-" would be read by the editor as one of its options (some
    // run commands given that way): it goes as a path of the current folder.
    std::vector<std::string> command = process_command_words(editor_program());
    command.push_back(name[0] == '-' ? "./" + name : name);
    const std::string directory = console->options ? console->options->text(Option::Directory) : "";
    busy_thread_id.store(1);
    if (g_hooks.suspend) g_hooks.suspend();
    const int started = platform_process_run_and_wait(command, directory.c_str(), g_hooks.poll,
                                                      g_hooks.poll_context);
    if (g_hooks.resume) g_hooks.resume();
    busy_thread_id.store(0);
    if (started != 0) {
        fail(console, "Failed to spawn external editor", "");
        return;
    }

    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (!file) {
        fail(console, "Failed to open ", name);
        return;
    }
    std::string text;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    std::fclose(file);

    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    console->recall_mode.store(1);
    // Editors on POSIX systems save LF line ends and usually end the file with one: lines
    // end at CR LF, LF or CR alike, and the line ends after the last line do not count.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (!text.empty() && (text.back() == ';' || text.back() == '/')) text.pop_back();
    size_t start = 0, end;
    while ((end = text.find_first_of("\r\n", start)) != std::string::npos) {
        type_edited_line(console, text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    if (start < text.size()) type_edited_line(console, text.substr(start));
    console_print("\r");
    console->recall_mode.store(0);
    finish(console, true, true);
}

void editor_install_hooks(const EditorHooks& hooks) { g_hooks = hooks; }

const char* editor_program() {
    const OptionTable* options = g_console ? g_console->options : nullptr;
    const std::string compiled = options_defaults().text(Option::Editor);
    if (!options || options->text(Option::Editor).empty() || options->text(Option::Editor) == compiled)
        return platform_default_editor();
    return options->text(Option::Editor).c_str();
}

