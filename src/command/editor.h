// The `edit` command: the last database statement (or a named file) in an external
// editor; after the editor ends, the file's text becomes the newest history entry. The
// process is started by the platform layer; no window calls here.
#pragma once

// Front-end hooks around the wait: `poll` runs about every 100 ms (a window front end
// pumps its messages); `suspend` and `resume` hand the terminal to the editor and take
// it back (a terminal front end restores its modes). Any may be null.
struct EditorHooks {
    void (*poll)(void* context) = nullptr;
    void* poll_context = nullptr;
    void (*suspend)() = nullptr;
    void (*resume)() = nullptr;
};
void editor_install_hooks(const EditorHooks& hooks);

// The editor command used: the variable _EDITOR when defined, else option `editor`, or
// the platform's default editor while the option keeps its compiled default.
const char* editor_program();

// Installs the edit command.
