// Turns the bytes a terminal sends for a key press (plain characters, UTF-8 sequences,
// control characters, CSI and SS3 escape sequences) into key codes. Pure: no terminal
// access here, so that every sequence can be tested without a terminal.
#pragma once

#include <string>

enum class KeyCode : int {
    Text,        // printable text in `text` (one character, possibly several UTF-8 bytes)
    Enter,
    Tab,
    Escape,
    Backspace,
    Delete,
    Insert,
    Home,
    End,
    PageUp,
    PageDown,
    Left,
    Right,
    Up,
    Down,
    Interrupt,   // Ctrl+C
    EndOfInput,  // Ctrl+D
    Redraw,      // Ctrl+L
    Unknown      // a sequence this decoder does not map; consumed and ignored
};

struct Key {
    KeyCode code = KeyCode::Unknown;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    std::string text;
};

// Decodes one key from the start of `bytes`. Returns the number of bytes it used, or 0
// when the bytes are the start of a longer sequence and more may follow; with `final` set
// (no more bytes are on the way) an incomplete sequence is decoded as far as it goes (a
// lone ESC is the Escape key). Never reads past `length`.
int key_decode(const char* bytes, int length, bool final, Key* key);
