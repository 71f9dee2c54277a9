// CreateFileA, ReadFile and CloseHandle of the layer over POSIX.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"
#include "tests/support/test_support.h"

namespace {

HANDLE Open(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, NULL);
}

class FilesTest : public testing::Test {
  protected:
    void SetUp() override { dir_ = MakeScratchDir(); }
    void TearDown() override { RemoveScratchDir(dir_); }
    std::string dir_;
};

TEST_F(FilesTest, OpensAnExistingFile) {
    HANDLE h = Open(WriteBytes(dir_ + "/a.pal", {1, 2, 3}));
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_NE(h, static_cast<HANDLE>(NULL));
    EXPECT_EQ(CloseHandle(h), TRUE);
}

struct OpenFailure {
    const char* name;
    std::string (*path)(const std::string& dir);
};

void PrintTo(const OpenFailure& c, std::ostream* os) {
    *os << c.name;
}

class OpenFailureTest : public FilesTest, public testing::WithParamInterface<OpenFailure> {};

TEST_P(OpenFailureTest, GivesTheInvalidHandle) {
    EXPECT_EQ(Open(GetParam().path(dir_)), INVALID_HANDLE_VALUE);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OpenFailureTest,
    testing::Values(OpenFailure{"Missing", [](const std::string& d) { return d + "/none.pal"; }},
                    OpenFailure{"MissingDirectory",
                                [](const std::string& d) { return d + "/none/a.pal"; }},
                    // A directory opens on POSIX but not on the platform.
                    OpenFailure{"Directory", [](const std::string& d) { return d; }},
                    OpenFailure{"Empty", [](const std::string&) { return std::string(); }},
                    OpenFailure{"LongerThanPathMax",
                                [](const std::string& d) {
                                    std::string p = d + "/";
                                    while (p.size() <= PATH_MAX)
                                        p += "x/";
                                    return p + "a.pal";
                                }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FilesTest, AnUnreadableFileDoesNotOpen) {
    if (geteuid() == 0)
        GTEST_SKIP()
            << "root reads a file whatever its mode, so chmod 000 cannot make it unreadable";
    std::string path = WriteBytes(dir_ + "/locked.pal", {1, 2, 3});
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    EXPECT_EQ(Open(path), INVALID_HANDLE_VALUE);
}

TEST_F(FilesTest, OnlyReadingIsOffered) {
    std::string path = WriteBytes(dir_ + "/a.pal", {1});
    EXPECT_EQ(CreateFileA(path.c_str(), 0x40000000u /* write */, 0, NULL, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, NULL),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileA(NULL, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL),
              INVALID_HANDLE_VALUE);
}

TEST_F(FilesTest, AShortFileReportsTheCountRead) {
    std::vector<unsigned char> content(100);
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<unsigned char>(i + 1);
    HANDLE h = Open(WriteBytes(dir_ + "/short.pal", content));
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::vector<unsigned char> buffer(768, 0xEE);
    DWORD got = 12345;
    EXPECT_EQ(ReadFile(h, buffer.data(), 768, &got, NULL), TRUE);
    EXPECT_EQ(got, 100u);
    EXPECT_TRUE(std::equal(content.begin(), content.end(), buffer.begin()));
    EXPECT_EQ(buffer[100], 0xEE) << "nothing written past the data";
    // At the end: success and nothing read.
    EXPECT_EQ(ReadFile(h, buffer.data(), 768, &got, NULL), TRUE);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(CloseHandle(h), TRUE);
}

TEST_F(FilesTest, AnEmptyFileReadsNothing) {
    HANDLE h = Open(WriteBytes(dir_ + "/empty.pal", {}));
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    unsigned char buffer[768];
    DWORD got = 99;
    EXPECT_EQ(ReadFile(h, buffer, sizeof buffer, &got, NULL), TRUE);
    EXPECT_EQ(got, 0u);
    CloseHandle(h);
}

TEST_F(FilesTest, TheInvalidHandleNeitherReadsNorCloses) {
    unsigned char buffer[4];
    DWORD got = 99;
    EXPECT_EQ(ReadFile(INVALID_HANDLE_VALUE, buffer, sizeof buffer, &got, NULL), FALSE);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(CloseHandle(INVALID_HANDLE_VALUE), FALSE);
}

// A writer that hands the data over in small pieces, more than a pipe holds at once, so no single
// read can return it all.
void WriteInPieces(int fd, const std::vector<unsigned char>& data) {
    // Only the parent reads: a reader left open here would keep a short read from ending the run.
    for (int other = 3; other < 1024; ++other)
        if (other != fd)
            close(other);
    size_t at = 0;
    while (at < data.size()) {
        size_t piece = std::min<size_t>(1000, data.size() - at);
        ssize_t put = write(fd, data.data() + at, piece);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            _exit(1);
        at += static_cast<size_t>(put);
        usleep(200); // let the reader take what is there
    }
    _exit(0);
}

struct PipeCase {
    const char* name;
    size_t written;
    DWORD asked;
};

void PrintTo(const PipeCase& c, std::ostream* os) {
    *os << c.name;
}

class PipeTest : public FilesTest, public testing::WithParamInterface<PipeCase> {};

TEST_P(PipeTest, ReadsUntilTheCountOrTheEnd) {
    const PipeCase& c = GetParam();
    std::string fifo = dir_ + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    HANDLE h = Open(fifo); // no writer yet: the open must not wait for one
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    // Held open until the child has it, so the reader never sees an end before the data.
    int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    int flags = fcntl(writer, F_GETFL);
    ASSERT_EQ(fcntl(writer, F_SETFL, flags & ~O_NONBLOCK), 0);

    std::vector<unsigned char> data(c.written);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>(i * 31 + i / 256);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        WriteInPieces(writer, data);
    close(writer);

    std::vector<unsigned char> buffer(c.asked, 0);
    DWORD got = 0;
    EXPECT_EQ(ReadFile(h, buffer.data(), c.asked, &got, NULL), TRUE);
    DWORD expected = static_cast<DWORD>(std::min<size_t>(c.asked, c.written));
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + expected, data.begin()));
    CloseHandle(h);

    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the writer got all out";
}

INSTANTIATE_TEST_SUITE_P(Pieces, PipeTest,
                         testing::Values(PipeCase{"ExactCount", 200000, 200000},
                                         PipeCase{"PaletteFromPipe", 768, 768},
                                         PipeCase{"EndsBeforeTheCount", 5000, 200000}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
