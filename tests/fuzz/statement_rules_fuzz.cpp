// Word splitting, classification and the completeness rules over arbitrary input: no
// crash, no read past the text, and the answers keep their own contracts.
#include <cstring>
#include <vector>

#include "command/classify.h"
#include "command/words.h"
#include "fuzz_console.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const std::string input = fuzz_text(data, size);
    std::vector<char> buffer(input.begin(), input.end());
    buffer.push_back('\0');
    char* words[kMaxWords] = {};
    const int count = split_words(buffer.data(), words);
    FUZZ_CHECK(count >= 0 && count <= kMaxWords);
    for (int i = 0; i < count; ++i) {
        FUZZ_CHECK(words[i] >= buffer.data() && words[i] < buffer.data() + buffer.size());
        FUZZ_CHECK(std::strlen(words[i]) < buffer.size());
    }
    const bool plsql = size > 0 && (data[0] & 1);
    const Classification c = classify_words(words, count, plsql);
    FUZZ_CHECK(c.rule >= 0 && c.rule <= 20);

    const Terminator t = find_terminator(input);
    FUZZ_CHECK(t.index >= -1 && t.index < static_cast<int>(input.size()));
    if (t.index >= 0) FUZZ_CHECK(input[static_cast<size_t>(t.index)] == t.character);
    if (c.completion == Completion::CommentEnd)
        comment_is_complete(input);
    else
        is_complete(c.completion, input, t);
    block_is_complete(input, t);
    return 0;
}
