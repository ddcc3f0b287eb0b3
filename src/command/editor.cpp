// The `edit` command on the GUI thread: writes the last database statement to the edit
// file (CR LF between lines), runs the editor and waits for it with busy_thread_id set
// to 1 so that no statement starts meanwhile, then types the edited text into the
// console and records it as the newest database statement.
#include "command/editor.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command/classify.h"
#include "command/client_commands.h"
#include "command/command_handlers.h"
#include "command/command_table.h"
#include "command/history.h"
#include "command/history_file.h"
#include "command/statement.h"
#include "command/variables.h"
#include "command/words.h"
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

// Writes the text with CR LF between its lines; false when a write failed.
bool write_lines(std::FILE* file, const std::string& text) {
    bool ok = true;
    size_t start = 0, newline;
    while ((newline = text.find('\n', start)) != std::string::npos) {
        const std::string line = text.substr(start, newline - start);
        ok = ok && std::fwrite(line.data(), 1, line.size(), file) == line.size() &&
             std::fwrite("\r\n", 1, 2, file) == 2;
        start = newline + 1;
    }
    const std::string last = text.substr(start);
    return ok && std::fwrite(last.data(), 1, last.size(), file) == last.size();
}

bool write_statement(const std::string& name, const std::string& text) {
    std::FILE* file = platform_file_open_private(name.c_str(), "w+b");
    if (!file) return false;
    const bool ok = write_lines(file, text);
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

// Whether the text is a PL/SQL block (or a statement that creates one), which only a "/"
// line ends.
bool is_plsql_block(const std::string& text) {
    std::string copy = text;
    char* words[kMaxWords] = {};
    const int count = split_words(&copy[0], words);
    return count > 0 && classify_words(words, count, false).completion == Completion::BlockEnd;
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
    // The ";" that ends a PL/SQL block's "end;" belongs to the block: only a statement's
    // terminator goes.
    if (!text.empty() && (text.back() == '/' || (text.back() == ';' && !is_plsql_block(text)))) text.pop_back();
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

namespace {

// True when `word` is one of the spellings from the first `shortest` letters of `full` up
// to the whole word, in any case.
bool buffer_file_word_is(const char* word, const char* full, size_t shortest) {
    const size_t length = std::strlen(word);
    if (length < shortest || length > std::strlen(full)) return false;
    for (size_t i = 0; i < length; ++i)
        if (std::tolower(static_cast<unsigned char>(word[i])) != full[i]) return false;
    return true;
}

// The file a buffer command names: ".sql" is added when the name has no extension.
std::string buffer_file_name(const std::string& name) {
    const size_t dot = name.rfind('.');
    const size_t folder = name.find_last_of("\\/");
    if (dot == std::string::npos || (folder != std::string::npos && dot < folder)) return name + ".sql";
    return name;
}

// The statement a file holds as the buffer takes it: lines end at CR LF, LF or CR alike;
// empty lines at the end, a closing "/" line and a statement's final ";" do not belong
// to it (a PL/SQL block keeps the ";" of its "end;").
std::string buffer_text_of_file(const std::string& content) {
    std::string text;
    for (size_t i = 0; i < content.size(); ++i) {
        if (content[i] == '\r') {
            text += '\n';
            if (i + 1 < content.size() && content[i + 1] == '\n') ++i;
        } else {
            text += content[i];
        }
    }
    auto trim_end = [&text] {
        while (!text.empty() && std::strchr(" \t\n", text.back())) text.pop_back();
    };
    trim_end();
    const size_t line_start = text.rfind('\n');
    std::string last_line = text.substr(line_start == std::string::npos ? 0 : line_start + 1);
    while (!last_line.empty() && (last_line[0] == ' ' || last_line[0] == '\t')) last_line.erase(0, 1);
    if (last_line == "/") {
        text.resize(line_start == std::string::npos ? 0 : line_start);
        trim_end();
    } else if (!text.empty() && text.back() == ';' && !is_plsql_block(text)) {
        text.pop_back();
        trim_end();
    }
    while (!text.empty() && text[0] == '\n') text.erase(0, 1);
    return text;
}

void buffer_command_usage(const ClientCommandContext& c) {
    command_usage(c.command);
    finish(c.console, true, false);
}

}  // namespace

void command_save(const ClientCommandContext& c) {
    int first = 1;
    if (c.count > 2 && buffer_file_word_is(c.words[1], "file", 4)) first = 2;
    enum class SaveMode { Create, Replace, Append } mode = SaveMode::Create;
    if (c.count == first + 2) {
        const char* word = c.words[first + 1];
        if (buffer_file_word_is(word, "create", 3))
            mode = SaveMode::Create;
        else if (buffer_file_word_is(word, "replace", 3))
            mode = SaveMode::Replace;
        else if (buffer_file_word_is(word, "append", 3))
            mode = SaveMode::Append;
        else
            return buffer_command_usage(c);
    } else if (c.count != first + 1) {
        return buffer_command_usage(c);
    }
    std::string statement;
    if (!history_sql_buffer(&statement)) {
        console_print("SP2-0107: Nothing to save.\n");
        finish(c.console, true, false);
        return;
    }
    const std::string name = buffer_file_name(c.words[first]);
    const std::string content = statement + "\n/\n";
    bool written = false;
    if (mode == SaveMode::Append) {
        std::FILE* file = platform_file_open_private(name.c_str(), "ab");
        if (file) {
            const bool ok = write_lines(file, content);
            written = std::fclose(file) == 0 && ok;
        }
    } else if (mode == SaveMode::Create && file_readable(name)) {
        console_print("SP2-0540: File \"%s\" already exists.\nUse \"SAVE filename[.ext] REPLACE\".\n", name.c_str());
        finish(c.console, true, false);
        return;
    } else {
        // The old file stays whole unless the new one is written completely.
        ReplacingFile file(name);
        written = file.get() && write_lines(file.get(), content) && file.commit();
    }
    if (!written)
        console_print("Unable to write \"%s\": %s\n", name.c_str(), platform_last_error_text().c_str());
    else if (mode == SaveMode::Append)
        console_print("Appended file to %s\n", name.c_str());
    else
        console_print("%s file %s\n", mode == SaveMode::Create ? "Created" : "Wrote", name.c_str());
    finish(c.console, true, false);
}

void command_get(const ClientCommandContext& c) {
    int first = 1;
    if (c.count > 2 && buffer_file_word_is(c.words[1], "file", 4)) first = 2;
    bool list = true;
    if (c.count == first + 2) {
        if (buffer_file_word_is(c.words[first + 1], "list", 3))
            list = true;
        else if (buffer_file_word_is(c.words[first + 1], "nolist", 3))
            list = false;
        else
            return buffer_command_usage(c);
    } else if (c.count != first + 1) {
        return buffer_command_usage(c);
    }
    const std::string name = buffer_file_name(c.words[first]);
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (!file) {
        console_print("SP2-0160: Unable to open \"%s\"\n", name.c_str());
        finish(c.console, true, false);
        return;
    }
    std::string content;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        console_print("Unable to read \"%s\": %s\n", name.c_str(), platform_last_error_text().c_str());
        finish(c.console, true, false);
        return;
    }
    if (content.find('\0') != std::string::npos) {
        console_print("Error: \"%s\" holds a NUL byte and was not loaded\n", name.c_str());
        finish(c.console, true, false);
        return;
    }
    const std::string text = buffer_text_of_file(content);
    if (text.empty()) {
        console_print("Nothing to load from \"%s\"\n", name.c_str());
        finish(c.console, true, false);
        return;
    }
    history_record_statement(c.console, text);
    if (list) history_print_numbered(text);
    finish(c.console, true, false);
}

void editor_install_hooks(const EditorHooks& hooks) { g_hooks = hooks; }

const char* editor_program() {
    // Scripts of other Oracle consoles name their editor with DEFINE _EDITOR; its value is
    // a program with arguments like the option's, quotes around the whole value dropped.
    static std::string defined;
    for (const char* name : {"_EDITOR", "_editor"}) {
        if (!variable_lookup(name, &defined)) continue;
        if (defined.size() >= 2 && (defined[0] == '\'' || defined[0] == '"') && defined.back() == defined[0])
            defined = defined.substr(1, defined.size() - 2);
        if (!defined.empty()) return defined.c_str();
    }
    const OptionTable* options = g_console ? g_console->options : nullptr;
    const std::string compiled = options_defaults().text(Option::Editor);
    if (!options || options->text(Option::Editor).empty() || options->text(Option::Editor) == compiled)
        return platform_default_editor();
    return options->text(Option::Editor).c_str();
}

