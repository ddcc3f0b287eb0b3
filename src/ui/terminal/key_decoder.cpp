// Key decoding for the terminal front end: the xterm family of sequences (CSI with
// modifier parameters, SS3, the "~" codes), Alt as an ESC prefix, and UTF-8 text.
#include "ui/terminal/key_decoder.h"

#include <cstdlib>

namespace {

Key make(KeyCode code) {
    Key key;
    key.code = code;
    return key;
}

// xterm modifier parameter: 1 + (shift 1, alt 2, ctrl 4).
void apply_modifier(int parameter, Key* key) {
    if (parameter < 2) return;
    const int bits = parameter - 1;
    key->shift = (bits & 1) != 0;
    key->alt = (bits & 2) != 0;
    key->ctrl = (bits & 4) != 0;
}

KeyCode letter_key(char final_byte) {
    switch (final_byte) {
    case 'A': return KeyCode::Up;
    case 'B': return KeyCode::Down;
    case 'C': return KeyCode::Right;
    case 'D': return KeyCode::Left;
    case 'H': return KeyCode::Home;
    case 'F': return KeyCode::End;
    case 'Z': return KeyCode::Tab;   // back tab
    default: return KeyCode::Unknown;
    }
}

KeyCode tilde_key(int number) {
    switch (number) {
    case 1:
    case 7: return KeyCode::Home;
    case 2: return KeyCode::Insert;
    case 3: return KeyCode::Delete;
    case 4:
    case 8: return KeyCode::End;
    case 5: return KeyCode::PageUp;
    case 6: return KeyCode::PageDown;
    default: return KeyCode::Unknown;
    }
}

// Parameters of a CSI sequence, at most three numbers separated by ';'.
struct CsiParameters {
    int values[3] = {0, 0, 0};
    int count = 0;
};

// bytes[0..1] is "ESC [". Returns the length of the whole sequence, 0 when incomplete.
int decode_csi(const char* bytes, int length, Key* key) {
    CsiParameters p;
    int i = 2;
    int current = -1;
    for (; i < length; ++i) {
        const char c = bytes[i];
        if (c >= '0' && c <= '9') {
            if (current < 0) current = 0;
            if (current < 100000) current = current * 10 + (c - '0');
        } else if (c == ';') {
            if (p.count < 3) p.values[p.count++] = current < 0 ? 0 : current;
            current = -1;
        } else if (c >= 0x20 && c <= 0x3f) {
            continue;   // other parameter and intermediate bytes
        } else {
            break;
        }
    }
    if (i >= length) return 0;
    if (current >= 0 && p.count < 3) p.values[p.count++] = current;
    const char final_byte = bytes[i];
    const int used = i + 1;
    if (final_byte == '~') {
        // xterm modifyOtherKeys: ESC [ 27 ; modifier ; code ~
        if (p.count == 3 && p.values[0] == 27) {
            if (p.values[2] == 13) {
                *key = make(KeyCode::Enter);
                apply_modifier(p.values[1], key);
            } else {
                *key = make(KeyCode::Unknown);
            }
            return used;
        }
        *key = make(tilde_key(p.count > 0 ? p.values[0] : 0));
        if (p.count > 1) apply_modifier(p.values[1], key);
        return used;
    }
    if (final_byte == 'u') {
        // CSI u keyboard protocol: ESC [ code ; modifier u
        const int code = p.count > 0 ? p.values[0] : 0;
        *key = make(code == 13 ? KeyCode::Enter : code == 9 ? KeyCode::Tab : code == 27 ? KeyCode::Escape
                                                                              : KeyCode::Unknown);
        if (p.count > 1) apply_modifier(p.values[1], key);
        return used;
    }
    *key = make(letter_key(final_byte));
    if (final_byte == 'Z') key->shift = true;
    if (p.count > 1) apply_modifier(p.values[1], key);
    return used;
}

// Length of the UTF-8 sequence a lead byte starts; 1 for a byte that starts none.
int utf8_length(unsigned char lead) {
    if (lead >= 0xf0 && lead <= 0xf4) return 4;
    if (lead >= 0xe0) return lead <= 0xef ? 3 : 1;
    if (lead >= 0xc2 && lead <= 0xdf) return 2;
    return 1;
}

int decode_control(unsigned char c, Key* key) {
    switch (c) {
    case '\r':
    case '\n': *key = make(KeyCode::Enter); break;
    case '\t': *key = make(KeyCode::Tab); break;
    case 0x7f:
    case 0x08: *key = make(KeyCode::Backspace); break;
    case 0x03: *key = make(KeyCode::Interrupt); break;
    case 0x04: *key = make(KeyCode::EndOfInput); break;
    case 0x0c: *key = make(KeyCode::Redraw); break;
    case 0x01: *key = make(KeyCode::Home); break;   // Ctrl+A, Ctrl+E: line start and end
    case 0x05: *key = make(KeyCode::End); break;
    default: *key = make(KeyCode::Unknown); break;
    }
    return 1;
}

}  // namespace

int key_decode(const char* bytes, int length, bool final, Key* key) {
    if (length <= 0) return 0;
    const unsigned char first = static_cast<unsigned char>(bytes[0]);
    if (first == 0x1b) {
        if (length == 1) {
            if (!final) return 0;
            *key = make(KeyCode::Escape);
            return 1;
        }
        const char second = bytes[1];
        if (second == '[') {
            const int used = decode_csi(bytes, length, key);
            if (used > 0) return used;
            if (!final) return 0;
            *key = make(KeyCode::Unknown);
            return length;
        }
        if (second == 'O') {
            if (length == 2) {
                if (!final) return 0;
                *key = make(KeyCode::Unknown);
                return 2;
            }
            *key = make(letter_key(bytes[2]));
            return 3;
        }
        if (second == 0x1b) {
            // ESC before a CSI or SS3 sequence: Alt with that key, as some terminals send it.
            if (length == 2 && !final) return 0;
            if (length > 2 && (bytes[2] == '[' || bytes[2] == 'O')) {
                const int used = key_decode(bytes + 1, length - 1, final, key);
                if (used == 0) return 0;
                if (key->code != KeyCode::Unknown) {
                    key->alt = true;
                    return used + 1;
                }
            }
            *key = make(KeyCode::Escape);
            return 1;
        }
        // Alt held: ESC before the key's own bytes.
        const int used = key_decode(bytes + 1, length - 1, final, key);
        if (used == 0) return 0;
        key->alt = true;
        return used + 1;
    }
    if (first < 0x20 || first == 0x7f) return decode_control(first, key);
    const int need = utf8_length(first);
    if (need > length) {
        if (!final) return 0;
        *key = make(KeyCode::Unknown);
        return length;
    }
    for (int i = 1; i < need; ++i) {
        if ((static_cast<unsigned char>(bytes[i]) & 0xc0) != 0x80) {
            *key = make(KeyCode::Unknown);
            return i;
        }
    }
    *key = make(KeyCode::Text);
    key->text.assign(bytes, static_cast<size_t>(need));
    return need;
}
