// Key decoding: the sequences terminals send, incomplete sequences held back until the
// rest arrives, and UTF-8 text passed through whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/terminal/key_decoder.h"

namespace {

std::vector<Key> decode_all(const std::string& bytes) {
    std::vector<Key> keys;
    size_t at = 0;
    while (at < bytes.size()) {
        Key key;
        const int used = key_decode(bytes.data() + at, static_cast<int>(bytes.size() - at), true, &key);
        if (used <= 0) break;
        keys.push_back(key);
        at += static_cast<size_t>(used);
    }
    return keys;
}

Key decode_one(const std::string& bytes) {
    const std::vector<Key> keys = decode_all(bytes);
    EXPECT_EQ(keys.size(), 1u) << "for a sequence of " << bytes.size() << " bytes";
    return keys.empty() ? Key() : keys[0];
}

TEST(KeyDecoder, EditingKeysInTheirCommonSpellings) {
    struct Case {
        const char* bytes;
        KeyCode code;
    } cases[] = {
        {"\r", KeyCode::Enter},       {"\t", KeyCode::Tab},          {"\x7f", KeyCode::Backspace},
        {"\x08", KeyCode::Backspace}, {"\x1b[A", KeyCode::Up},       {"\x1b[B", KeyCode::Down},
        {"\x1b[C", KeyCode::Right},   {"\x1b[D", KeyCode::Left},     {"\x1bOA", KeyCode::Up},
        {"\x1b[H", KeyCode::Home},    {"\x1b[F", KeyCode::End},      {"\x1bOH", KeyCode::Home},
        {"\x1b[1~", KeyCode::Home},   {"\x1b[4~", KeyCode::End},     {"\x1b[7~", KeyCode::Home},
        {"\x1b[8~", KeyCode::End},    {"\x1b[3~", KeyCode::Delete},  {"\x1b[2~", KeyCode::Insert},
        {"\x1b[5~", KeyCode::PageUp}, {"\x1b[6~", KeyCode::PageDown}, {"\x03", KeyCode::Interrupt},
        {"\x04", KeyCode::EndOfInput}, {"\x0c", KeyCode::Redraw},
    };
    for (const Case& c : cases) {
        const Key key = decode_one(c.bytes);
        EXPECT_EQ(key.code, c.code) << "sequence " << c.bytes + (c.bytes[0] == '\x1b' ? 1 : 0);
        EXPECT_FALSE(key.ctrl || key.alt || key.shift);
    }
}

TEST(KeyDecoder, ModifiersFromParametersAndEscPrefix) {
    Key key = decode_one("\x1b[1;5D");
    EXPECT_EQ(key.code, KeyCode::Left);
    EXPECT_TRUE(key.ctrl);
    key = decode_one("\x1b[1;5C");
    EXPECT_EQ(key.code, KeyCode::Right);
    EXPECT_TRUE(key.ctrl);
    EXPECT_FALSE(key.shift);
    key = decode_one("\x1b[3;2~");
    EXPECT_EQ(key.code, KeyCode::Delete);
    EXPECT_TRUE(key.shift);
    // Alt+Enter, the usual stand-in for Shift+Enter, and the explicit Shift+Enter forms.
    key = decode_one("\x1b\r");
    EXPECT_EQ(key.code, KeyCode::Enter);
    EXPECT_TRUE(key.alt);
    key = decode_one("\x1b[13;2u");
    EXPECT_EQ(key.code, KeyCode::Enter);
    EXPECT_TRUE(key.shift);
    key = decode_one("\x1b[27;2;13~");
    EXPECT_EQ(key.code, KeyCode::Enter);
    EXPECT_TRUE(key.shift);
    key = decode_one("\x1b" "b");
    EXPECT_EQ(key.code, KeyCode::Text);
    EXPECT_TRUE(key.alt);
    // The sideways keys, in the parameter form and in the ESC-prefixed form.
    key = decode_one("\x1b[1;3C");
    EXPECT_EQ(key.code, KeyCode::Right);
    EXPECT_TRUE(key.alt);
    key = decode_one("\x1b[1;4D");
    EXPECT_EQ(key.code, KeyCode::Left);
    EXPECT_TRUE(key.alt && key.shift);
    key = decode_one("\x1b\x1b[D");
    EXPECT_EQ(key.code, KeyCode::Left);
    EXPECT_TRUE(key.alt);
    key = decode_one("\x1b\x1bOC");
    EXPECT_EQ(key.code, KeyCode::Right);
    EXPECT_TRUE(key.alt);
    key = decode_one("\x1b[6;3~");
    EXPECT_EQ(key.code, KeyCode::PageDown);
    EXPECT_TRUE(key.alt);
}

TEST(KeyDecoder, IncompleteSequencesWaitUnlessFinal) {
    Key key;
    for (const std::string prefix : {"\x1b", "\x1b[", "\x1b[1;5", "\x1bO", "\xc3", "\xe2\x82"}) {
        EXPECT_EQ(key_decode(prefix.data(), static_cast<int>(prefix.size()), false, &key), 0) << prefix.size();
    }
    EXPECT_EQ(key_decode("\x1b", 1, true, &key), 1);
    EXPECT_EQ(key.code, KeyCode::Escape);
    // A broken sequence at the end is consumed whole, never read past its end.
    EXPECT_EQ(key_decode("\x1b[12", 4, true, &key), 4);
    EXPECT_EQ(key.code, KeyCode::Unknown);
    EXPECT_EQ(key_decode("\xe2\x82", 2, true, &key), 2);
    EXPECT_EQ(key.code, KeyCode::Unknown);
    EXPECT_EQ(key_decode("x", 0, true, &key), 0);
}

TEST(KeyDecoder, Utf8TextStaysWholeAndMixesWithKeys) {
    const std::vector<Key> keys = decode_all("a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\x1b[Dz");
    ASSERT_EQ(keys.size(), 6u);
    EXPECT_EQ(keys[0].text, "a");
    EXPECT_EQ(keys[1].text, "\xc3\xa9");
    EXPECT_EQ(keys[2].text, "\xe2\x82\xac");
    EXPECT_EQ(keys[3].text, "\xf0\x9f\x98\x80");
    EXPECT_EQ(keys[4].code, KeyCode::Left);
    EXPECT_EQ(keys[5].text, "z");
    // A lead byte followed by a non-continuation byte: the lead is dropped, the rest kept.
    const std::vector<Key> broken = decode_all("\xc3" "a");
    ASSERT_EQ(broken.size(), 2u);
    EXPECT_EQ(broken[0].code, KeyCode::Unknown);
    EXPECT_EQ(broken[1].text, "a");
    // A long parameter list does not overflow anything.
    const std::string many = "\x1b[" + std::string(500, '9') + ";" + std::string(500, '1') + "A";
    EXPECT_EQ(decode_one(many).code, KeyCode::Up);
}

}  // namespace
