// Substitution variables: the table of (name, value) pairs, the define, undefine and
// accept commands, and the substitution of script lines. Runs on whichever thread owns
// the console at the time (GUI thread or the script thread); it never talks to the
// database itself: accept's value check goes through the hook of accept_check.h.
#include "command/variables.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "command/accept_check.h"
#include "command/client_commands.h"
#include "command/command_handlers.h"
#include "command/command_table.h"
#include "command/history.h"
#include "command/statement.h"
#include "console/console_buffer.h"
#include "oci/db_session.h"
#include "oci/oci_statements.h"
#include "settings/options.h"

namespace {

HashTable g_global_table{};
HashTable* g_current = &g_global_table;
AcceptCheckRoutine g_accept_check = nullptr;

char* copy_string(const char* text) {
    const size_t length = std::strlen(text);
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy) std::memcpy(copy, text, length + 1);
    return copy;
}

// The table's hash: the shift-and-fold hash over the name's characters, each taken as a
// signed byte (so names with bytes above 127 land where they always have).
int variable_hash(const void* item, int, int bucket_count) {
    if (bucket_count < 1) return 0;
    const char* name = static_cast<const VariablePair*>(item)->name;
    std::uint32_t h = 0;
    for (const char* p = name; *p; ++p) {
        h = (h << 4) + static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(*p)));
        const std::uint32_t g = h & 0xF0000000u;
        if (g != 0) h = h ^ (g >> 24) ^ g;
    }
    const auto size = static_cast<std::uint32_t>(bucket_count);
    return static_cast<int>(((h / size) ^ h) % size);
}

int variable_compare(const void* item, const void* key, int) {
    return std::strcmp(static_cast<const VariablePair*>(item)->name, static_cast<const VariablePair*>(key)->name);
}

void variable_duplicate(void* destination, const void* source, int) {
    const auto* from = static_cast<const VariablePair*>(source);
    auto* to = static_cast<VariablePair*>(destination);
    to->name = copy_string(from->name);
    to->value = copy_string(from->value);
}

void free_pair_strings(VariablePair* pair) {
    std::free(pair->name);
    std::free(pair->value);
}

void variable_free(void* item) {
    free_pair_strings(static_cast<VariablePair*>(item));
    std::free(item);
}

struct CopyContext {
    HashTable* target;
    bool failed;
};

void copy_into(void* item, void* context) {
    auto* copy = static_cast<CopyContext*>(context);
    if (hash_insert(copy->target, item) != 0) copy->failed = true;
}

bool is_trim_char(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string trimmed(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && is_trim_char(text[begin])) ++begin;
    while (end > begin && is_trim_char(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// The characters that end a variable name in a script line.
bool is_name_delimiter(char c) {
    return c == '\0' || std::strchr("()+-*/<>=!~;:.'@%,\\\"^&|{}?\t[] ", c) != nullptr;
}

// One pass over the line for the given marker (the prefix twice or once: "&&" or "&");
// true when any was found. The line is read once from left to right and the result built
// beside it, so the pass goes on right behind each inserted value: every name of the line
// is replaced, and no inserted value is read again. A name answered earlier in the line is
// replaced wherever it occurs again, also where it continues into a longer word. With an
// escape character, an escaped prefix stays as text; with a concatenation character, one
// right behind a name ends it and goes with it.
bool substitute_pass(ConsoleBuffer* console, std::string& line, const std::string& ampersands, bool store,
                     const ScriptSettings& settings) {
    const size_t marker_length = ampersands.size();
    bool found = false;
    std::vector<std::pair<std::string, std::string>> answered;   // marker and name, value
    std::string result;
    size_t done = 0;
    size_t at;
    // The concatenation character right behind a name at `behind` goes with the name.
    auto behind_name = [&](size_t behind) {
        return settings.concat && behind < line.size() && line[behind] == settings.concat ? behind + 1 : behind;
    };
    while ((at = line.find(ampersands, done)) != std::string::npos) {
        if (settings.escape && at > done && line[at - 1] == settings.escape) {
            result.append(line, done, at - 1 - done);
            result += ampersands;
            done = at + marker_length;
            continue;
        }
        result.append(line, done, at - done);
        found = true;
        const auto known = std::find_if(answered.begin(), answered.end(), [&](const auto& pair) {
            return line.compare(at, pair.first.size(), pair.first) == 0;
        });
        if (known != answered.end()) {
            result += known->second;
            done = behind_name(at + known->first.size());
            continue;
        }
        size_t end = at + marker_length;
        while (end < line.size() && !is_name_delimiter(line[end])) ++end;
        if (end == at + marker_length) {
            done = at + marker_length;   // an empty name: the prefix goes
            continue;
        }
        // The name buffer holds at most kVariableNameSize - 1 bytes; longer names are cut.
        const size_t name_length = std::min(end - at - marker_length, static_cast<size_t>(kVariableNameSize - 1));
        const std::string name = line.substr(at + marker_length, name_length);
        std::string value;
        if (!variable_lookup(name.c_str(), &value)) {
            console_print("Enter value for %s: ", name.c_str());
            value = console_request_line(console, false);
            if (store) variable_define(name.c_str(), value.c_str());
        }
        answered.emplace_back(ampersands + name, value);
        result += value;
        done = at + marker_length + name_length;
        if (done == end) done = behind_name(done);
    }
    if (!found) return false;
    result.append(line, done, std::string::npos);
    line = std::move(result);
    return true;
}




// True when `word` is one of the spellings from `shortest` up to the whole `full` word.
bool is_spelling(const char* word, const char* full, size_t shortest) {
    const size_t length = std::strlen(word);
    if (length < shortest || length > std::strlen(full)) return false;
    for (size_t i = 0; i < length; ++i)
        if (std::tolower(static_cast<unsigned char>(word[i])) != full[i]) return false;
    return true;
}

struct AcceptRequest {
    AcceptType type = AcceptType::Char;
    const char* format = nullptr;
    const char* fallback = nullptr;
    const char* prompt = nullptr;
    bool hide = false;
};

// Reads the options from word 2 on; false (message printed) at the first bad one.
bool parse_accept(const ClientCommandContext& c, AcceptRequest* request) {
    for (int i = 2; i < c.count; ++i) {
        const char* word = c.words[i];
        const bool has_next = i + 1 < c.count;
        if (is_spelling(word, "number", 3)) {
            request->type = AcceptType::Number;
        } else if (is_spelling(word, "char", 4)) {
            request->type = AcceptType::Char;
        } else if (is_spelling(word, "date", 4)) {
            request->type = AcceptType::Date;
        } else if (is_spelling(word, "format", 3)) {
            if (!has_next) {
                console_print("Format mask expected after FORMAT\n");
                return false;
            }
            request->format = c.words[++i];
        } else if (is_spelling(word, "default", 3)) {
            if (!has_next) {
                console_print("Value expected after DEFAULT\n");
                return false;
            }
            request->fallback = c.words[++i];
        } else if (is_spelling(word, "prompt", 6)) {
            if (!has_next) {
                console_print("Value expected after PROMPT\n");
                return false;
            }
            request->prompt = c.words[++i];
        } else if (is_spelling(word, "noprompt", 4)) {
            request->prompt = nullptr;
        } else if (is_spelling(word, "hide", 4)) {
            request->hide = true;
        } else {
            command_usage(ClientCommandId::Accept);
            return false;
        }
    }
    return true;
}


}  // namespace

void command_define(const ClientCommandContext& c) {
    if (c.count < 2)
        command_usage(c.command);
    else
        variables_define_command(c.console, command_arguments(c));
    finish(c.console, true, false);
}

void command_undefine(const ClientCommandContext& c) {
    if (c.count < 2)
        command_usage(c.command);
    else if (variable_undefine(c.words[1]) == 0)
        console_print("Variable %s does not exist\n", c.words[1]);
    finish(c.console, true, false);
}

void command_accept(const ClientCommandContext& c) {
    AcceptRequest request;
    if (c.count == 1) {
        command_usage(ClientCommandId::Accept);
    } else if (parse_accept(c, &request)) {
        std::string value;
        bool accepted = false;
        for (;;) {
            if (request.prompt) console_print("%s", request.prompt);
            value = console_request_line(c.console, request.hide);
            if (c.console->input_ended.load()) {   // no answer can come: nothing is defined
                console_print("No value given: the input has ended\n");
                break;
            }
            if (value.size() >= static_cast<size_t>(kAcceptValueSize)) {
                console_print("Value too long (at most %d characters)\n", kAcceptValueSize - 1);
                if (c.console->script_stop.load()) break;
                continue;
            }
            if (value.empty() && request.fallback) value = request.fallback;
            if (request.type == AcceptType::Char) {
                accepted = true;
                break;
            }
            AcceptCheck result = AcceptCheck::NoSession;
            if (g_accept_check)
                result = g_accept_check(c.console, request.type, request.format, &value);
            else
                console_print("Not connected to a database\n");
            if (result == AcceptCheck::Valid) {
                accepted = true;
                break;
            }
            // Without a session no value can ever pass: asking again would never end.
            if (result == AcceptCheck::NoSession || c.console->script_stop.load()) break;
        }
        if (accepted && variable_define(c.words[1], value.c_str()) != 0) console_print("Out of memory\n");
    }
    finish(c.console, true, false);
}

void accept_install_check(AcceptCheckRoutine routine) { g_accept_check = routine; }

int variables_create(HashTable* table, const HashTable* source) {
    hash_create(table, kVariableBuckets, 0, sizeof(VariablePair), variable_hash, variable_duplicate,
                variable_free, variable_compare);
    if (table->bucket_count == 0) return -1;
    if (!source || source->bucket_count == 0) return 0;
    CopyContext context{table, false};
    hash_for_each(source, copy_into, &context);
    return context.failed ? -1 : 0;
}

void variables_destroy(HashTable* table) { hash_destroy(table); }

HashTable* variables_current() { return g_current; }

HashTable* variables_swap(HashTable* table) {
    HashTable* previous = g_current;
    g_current = table;
    return previous;
}

int variable_define(const char* name, const char* value) {
    VariablePair key{const_cast<char*>(name), const_cast<char*>(value)};
    hash_remove(g_current, &key);
    return hash_insert(g_current, &key);
}

namespace {

bool equals_nocase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (std::toupper(static_cast<unsigned char>(*a)) != std::toupper(static_cast<unsigned char>(*b))) return false;
    return *a == *b;
}

// Today as DD-MON-YY, the default date format of an Oracle session.
std::string today_text() {
    static const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    const std::time_t now = std::time(nullptr);
    std::tm t{};
#if defined(_WIN32)
    localtime_s(&t, &now);
#else
    localtime_r(&now, &t);
#endif
    char text[16];
    std::snprintf(text, sizeof text, "%02d-%s-%02d", t.tm_mday, kMonths[t.tm_mon % 12], t.tm_year % 100);
    return text;
}

// The release as one number from the banner's "Version 19.3.0.0.0" (or "Release ..."):
// the first part, then two digits for each further one, as in 1903000000.
std::string release_number(const std::string& banner) {
    size_t at = banner.find("Version ");
    if (at == std::string::npos) at = banner.find("Release ");
    if (at == std::string::npos) return std::string();
    at += 8;
    std::string result;
    for (int part = 0; part < 5; ++part) {
        size_t end = at;
        while (end < banner.size() && std::isdigit(static_cast<unsigned char>(banner[end]))) ++end;
        if (end == at) break;
        const std::string digits = banner.substr(at, end - at);
        result += part == 0 || digits.size() >= 2 ? digits : "0" + digits;
        if (end >= banner.size() || banner[end] != '.') {
            for (int rest = part + 1; rest < 5; ++rest) result += "00";
            break;
        }
        at = end + 1;
    }
    return result;
}

std::string predefined_user() {
    return session_open.load() ? current_user_name() : std::string();
}
std::string predefined_database() {
    return session_open.load() ? current_database() : std::string();
}
std::string predefined_privilege() {
    const std::string mode = session_open.load() ? current_connect_mode() : std::string();
    return mode.empty() ? mode : "AS " + mode;
}
std::string predefined_version() {
    return session_open.load() ? current_server_banner() : std::string();
}
std::string predefined_release() {
    return release_number(predefined_version());
}

// The variables every session has until the user defines them: who and where the session
// is, its privilege, today's date and the server's version. Names in any case.
struct PredefinedVariable {
    const char* name;
    std::string (*value)();
};
const PredefinedVariable kPredefined[] = {
    {"_USER", predefined_user}, {"_CONNECT_IDENTIFIER", predefined_database}, {"_PRIVILEGE", predefined_privilege},
    {"_DATE", today_text},      {"_O_VERSION", predefined_version},           {"_O_RELEASE", predefined_release},
};

bool predefined_value(const char* name, std::string* value) {
    for (const PredefinedVariable& v : kPredefined) {
        if (!equals_nocase(name, v.name)) continue;
        if (value) *value = v.value();
        return true;
    }
    return false;
}

}  // namespace

bool variable_lookup(const char* name, std::string* value) {
    VariablePair key{const_cast<char*>(name), nullptr};
    VariablePair found{nullptr, nullptr};
    if (hash_lookup(g_current, &key, &found) == 0) return predefined_value(name, value);
    if (value && found.value) *value = found.value;
    free_pair_strings(&found);
    return true;
}

int variable_undefine(const char* name) {
    VariablePair key{const_cast<char*>(name), nullptr};
    return hash_remove(g_current, &key);
}

void variables_define_command(ConsoleBuffer*, const char* text) {
    const char* equals = std::strchr(text, '=');
    if (equals) {
        const std::string name = trimmed(std::string(text, static_cast<size_t>(equals - text)));
        const std::string value = trimmed(equals + 1);
        // A longer name could never be referenced: substitution reads names only this far.
        if (name.size() >= static_cast<size_t>(kVariableNameSize)) {
            console_print("Variable name too long (at most %d characters)\n", kVariableNameSize - 1);
            return;
        }
        if (variable_define(name.c_str(), value.c_str()) != 0) console_print("Out of memory\n");
        return;
    }
    std::string value;
    if (variable_lookup(text, &value))
        console_print("Variable %s is defined as: \"%s\"\n", text, value.c_str());
    else
        console_print("Variable %s is UNDEFINED\n", text);
}

void variables_define_arguments(const char* text) {
    const std::vector<std::string> arguments = split_arguments(text);
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string name = std::to_string(i + 1);
        variable_define(name.c_str(), trimmed(arguments[i]).c_str());
    }
}

std::string variables_substitute(ConsoleBuffer* console, const std::string& line) {
    const OptionTable* options = console->options;
    if (!options || !options->on(Option::Scan) || !options->script.define) return line;
    const ScriptSettings& settings = options->script;
    const char prefix = settings.define_prefix ? settings.define_prefix : '&';
    std::string result = line;
    const bool ended_before = console->input_ended.load();
    // "&&" first, completely, so that "&&x" is never read as "&" followed by "&x".
    const bool doubles = substitute_pass(console, result, std::string(2, prefix), true, settings);
    const bool singles = substitute_pass(console, result, std::string(1, prefix), false, settings);
    // A line whose value never came does not run: there is no new line to show.
    const bool unanswered = !ended_before && console->input_ended.load();
    if ((doubles || singles) && !unanswered && options->on(Option::Verify)) {
        // A password given through a variable is not shown in the new line either.
        console_print("old: %s\n", history_text_without_password(line).c_str());
        console_print("new: %s\n", history_text_without_password(result).c_str());
    }
    return result;
}

void variables_type_line(ConsoleBuffer* console, const std::string& line, bool enter) {
    if (dispatcher_refuse_nul_line(console, line)) return;
    const bool ended_before = console->input_ended.load();
    const std::string text = variables_substitute(console, line);
    // A value asked for got no answer because the input ended: the line does not run with
    // an empty value in its place (the script stops).
    if (!ended_before && console->input_ended.load()) {
        console_print("No value given: the input has ended\n");
        return;
    }
    {
        std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
        // ECHO ON shows each line as read, as it would stand in the console when typed.
        // A connect line is shown without its password, as the history keeps it.
        if (enter && console->options && console->options->script.echo && !console->echo.load()) {
            if (g_input.text.empty())
                console_print("%s %s\n", console->options->text(Option::Prompt).c_str(),
                              history_text_without_password(text).c_str());
            else
                console_print("%4d %s\n", g_input.line_number, text.c_str());
        }
        input_type_text(console, text.c_str());
    }
    // Enter dispatches and may run a whole statement or nested script: the input mutex is
    // not held across it, so that a line request inside can be answered.
    if (enter) input_enter(console);
}

void variables_install() {
    if (g_global_table.bucket_count == 0) variables_create(&g_global_table, nullptr);
}
