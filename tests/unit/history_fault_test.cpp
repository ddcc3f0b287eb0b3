// Saving the command history when the file system fails at each step of the save:
// creating the new file, any write, the flush, the sync, the close and the rename. The
// previous history file stays byte for byte, no temporary file is left beside it, and
// the user is told; the next save, with the fault gone, writes the whole history.
//
// The faults are injected by the linker: this test is linked with --wrap for the C
// library calls the history writer and the platform's file code make, and each wrapper
// fails its call while armed.
#include "cmdlang_fixture.h"

#include <errno.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

#include "command/history_file.h"

extern "C" {
size_t __real_fwrite(const void* data, size_t size, size_t count, std::FILE* file);
int __real_fputc(int c, std::FILE* file);
int __real_fflush(std::FILE* file);
int __real_fsync(int fd);
int __real_fclose(std::FILE* file);
int __real_rename(const char* from, const char* to);
int __real_mkstemp(char* pattern);
}

namespace {

enum class Step { None, Create, Write, Putc, Flush, Sync, Close, Rename };

// The armed step fails at its `skip`+1-th call (and later ones).
Step g_step = Step::None;
int g_skip = 0;
int g_failed = 0;

bool fails(Step step) {
    if (g_step != step) return false;
    if (g_skip > 0) {
        --g_skip;
        return false;
    }
    ++g_failed;
    return true;
}

}  // namespace

extern "C" {
size_t __wrap_fwrite(const void* data, size_t size, size_t count, std::FILE* file) {
    if (!fails(Step::Write)) return __real_fwrite(data, size, count, file);
    // Part of the data reaches the file, as on a disk that fills up mid-way.
    const size_t half = count / 2;
    if (half > 0) __real_fwrite(data, size, half, file);
    errno = ENOSPC;
    return half;
}
int __wrap_fputc(int c, std::FILE* file) {
    if (!fails(Step::Putc)) return __real_fputc(c, file);
    errno = ENOSPC;
    return EOF;
}
int __wrap_fflush(std::FILE* file) {
    if (!fails(Step::Flush)) return __real_fflush(file);
    errno = ENOSPC;
    return EOF;
}
int __wrap_fsync(int fd) {
    if (!fails(Step::Sync)) return __real_fsync(fd);
    errno = EIO;
    return -1;
}
int __wrap_fclose(std::FILE* file) {
    const int rc = __real_fclose(file);
    if (!fails(Step::Close)) return rc;
    errno = EIO;
    return EOF;
}
int __wrap_rename(const char* from, const char* to) {
    if (!fails(Step::Rename)) return __real_rename(from, to);
    errno = EACCES;
    return -1;
}
int __wrap_mkstemp(char* pattern) {
    if (!fails(Step::Create)) return __real_mkstemp(pattern);
    errno = ENOSPC;
    return -1;
}
}

namespace {

class HistoryFaults : public CommandLanguageTest {
protected:
    void TearDown() override {
        g_step = Step::None;
        CommandLanguageTest::TearDown();
    }
    void arm(Step step, int skip) {
        g_step = step;
        g_skip = skip;
        g_failed = 0;
    }
    bool temporary_left() const {
        for (const auto& entry : std::filesystem::directory_iterator(home_))
            if (entry.path().filename().string().rfind("vantro.his.", 0) == 0) return true;
        return false;
    }
};

struct FaultPoint {
    const char* name;
    Step step;
    int skip;
};

TEST_F(HistoryFaults, EveryFailingStepKeepsThePreviousFileAndTellsTheUser) {
    run("prompt one\n");
    run("prompt two\n");
    ASSERT_EQ(history_save(console_), 0);
    const std::string saved = read_file("vantro.his");
    ASSERT_FALSE(saved.empty());
    run("prompt three\n");
    run("select 4 from dual;\n");

    const FaultPoint points[] = {
        {"creating the new file", Step::Create, 0},
        {"the first write", Step::Write, 0},
        {"a write of a later record", Step::Write, 5},
        {"the terminator of a statement", Step::Putc, 0},
        {"the flush", Step::Flush, 0},
        {"the sync", Step::Sync, 0},
        {"the close", Step::Close, 0},
        {"the rename", Step::Rename, 0},
    };
    for (const FaultPoint& p : points) {
        SCOPED_TRACE(p.name);
        const size_t boxes = front_.error_boxes().size();
        arm(p.step, p.skip);
        EXPECT_EQ(history_save(console_), -1);
        g_step = Step::None;
        EXPECT_GT(g_failed, 0) << "the fault was not reached";
        EXPECT_EQ(read_file("vantro.his"), saved);
        EXPECT_FALSE(temporary_left());
        const std::vector<std::string> now = front_.error_boxes();
        ASSERT_EQ(now.size(), boxes + 1);
        EXPECT_FALSE(now.back().empty());
    }

    ASSERT_EQ(history_save(console_), 0);
    const std::string whole = read_file("vantro.his");
    EXPECT_EQ(whole.compare(0, saved.size(), saved), 0);
    EXPECT_NE(whole.find("select 4 from dual;"), std::string::npos);
    EXPECT_FALSE(temporary_left());
}

}  // namespace
