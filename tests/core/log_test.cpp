// The log: header box, texts, modes, levels, fallback file, timestamps.
#include <quenlar/core/clock.h>
#include <quenlar/core/engine.h>
#include <quenlar/core/log.h>
#include "support.h"

#include <gtest/gtest.h>
#include <atomic>
#include <regex>
#include <thread>
#include <vector>

using namespace testing_support;

namespace {

const std::string kBox = "+----------------------------------------------------------+\n"
                         "\xA6         Quenlar SDK Win32 v5.20 (build 3278)            \xA6\n";
const std::string kBorder = "+----------------------------------------------------------+\n";

// asctime's form: "Tue Dec  8 14:45:25 2026\n".
const std::string kDate =
    "[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\n";

// Everything after the "Executing at" line.
std::string AfterHeader(const std::string &text) {
    size_t at = text.find(" . Executing at ");
    return at == std::string::npos ? text : text.substr(text.find('\n', at) + 1);
}

} // namespace

TEST(LogHeader, LauncherHeaderIsExact) {
    TempDir dir;
    QLogSystem log;
    log.Init("Setup.log", LOG_NEWFILE, 2, "Quenlar SDK - Setup v1.1b");
    std::string text = ReadFile("Setup.log");

    // The box: border, banner, two framed credit lines of the banner's width, border.
    ASSERT_EQ(0u, text.find(kBox));
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1)
        lines.push_back(text.substr(start, end - start));
    ASSERT_GE(lines.size(), 9u);
    for (int i : {2, 3}) {
        EXPECT_EQ(lines[1].size(), lines[i].size()) << lines[i];
        EXPECT_EQ('\xA6', lines[i].front());
        EXPECT_EQ('\xA6', lines[i].back());
    }
    EXPECT_EQ(kBorder, lines[4] + "\n");
    EXPECT_TRUE(std::regex_match(
        text.substr(text.find(kBorder, 1) + kBorder.size()),
        std::regex("\n \\. Quenlar SDK - Setup v1\\.1b\n\n \\. Executing at " + kDate)))
        << text;
}

TEST(LogHeader, OptionalTextsFollowTheTitle) {
    TempDir dir;
    struct Case {
        const char *text, *subtext, *extra;
        std::string expected; // between the title line and the blank line before the date
    } cases[] = {
        {"text", nullptr, nullptr, " . text\n"},
        {"text", "sub", nullptr, " . text - sub\n"},
        {nullptr, "sub", nullptr, ""}, // a sub-text needs a text
        {nullptr, nullptr, "extra", " . extra\n"},
        {"text", "sub", "extra", " . text - sub\n . extra\n"},
    };
    for (const Case &c : cases) {
        QLogSystem log;
        log.Init("t.log", LOG_NEWFILE, 0, "T", c.text, c.subtext, c.extra);
        std::string text = ReadFile("t.log");
        size_t title = text.find("\n . T\n");
        ASSERT_NE(std::string::npos, title);
        size_t date = text.find("\n . Executing at ");
        EXPECT_EQ(c.expected, text.substr(title + 6, date - title - 6));
    }
}

TEST(LogModes, NewFileTruncatesAppendKeeps) {
    TempDir dir;
    WriteFile("a.log", "old\n");
    WriteFile("b.log", "old\n");
    {
        QLogSystem log;
        log.Init("a.log", LOG_NEWFILE | LOG_APPEND, 2, "T"); // mode 6: the new file wins
    }
    {
        QLogSystem log;
        log.Init("b.log", LOG_APPEND, 2, "T");
        log.Msg(0, "line\n");
    }
    EXPECT_EQ(0u, ReadFile("a.log").find(kBorder));
    std::string appended = ReadFile("b.log");
    EXPECT_EQ(0u, appended.find("old\n" + kBorder));
    EXPECT_EQ("line\n", AfterHeader(appended));
}

TEST(LogModes, DisabledModesWriteNothing) {
    TempDir dir;
    for (Sint8 mode : {Sint8(0), Sint8(-2), Sint8(LOG_CONSOLE)}) {
        QLogSystem log;
        testing::internal::CaptureStdout();
        log.Init("off.log", mode, 5, "T");
        log.Msg(0, "never\n");
        EXPECT_EQ("", testing::internal::GetCapturedStdout());
        EXPECT_FALSE(FileExists("off.log")) << int(mode);
        EXPECT_FALSE(log.IsOpen());
    }
}

TEST(LogModes, StdoutOnlyHasNoHeader) {
    TempDir dir;
    QLogSystem log;
    testing::internal::CaptureStdout();
    log.Init("x.log", LOG_STDOUT, 2, "T");
    log.Msg(2, " . [X] Warning: %d\n", 7);
    EXPECT_EQ(" . [X] Warning: 7\n", testing::internal::GetCapturedStdout());
    EXPECT_FALSE(FileExists("x.log"));
    EXPECT_STREQ("", log.GetFileName());
}

TEST(LogModes, FileAndStdoutGetTheSameMessagesButOnlyTheFileHasTheHeader) {
    TempDir dir;
    QLogSystem log;
    testing::internal::CaptureStdout();
    log.Init("both.log", LOG_NEWFILE | LOG_STDOUT, 2, "T");
    log.Msg(0, "%s-%d\n", "m", 1);
    EXPECT_EQ("m-1\n", testing::internal::GetCapturedStdout());
    EXPECT_EQ("m-1\n", AfterHeader(ReadFile("both.log")));
}

TEST(LogLevels, MaximumLevelIsClampedAndFilters) {
    TempDir dir;
    struct Case {
        Sint8 max;
        std::string expected;
    } cases[] = {
        {9, "0\n2\n5\n"}, // behaves as 5
        {2, "0\n2\n"},
        {-3, "0\n"}, // behaves as 0
    };
    for (const Case &c : cases) {
        QLogSystem log;
        log.Init("l.log", LOG_NEWFILE, c.max, "T");
        for (int level : {0, 2, 5, 6})
            log.Msg((Sint8)level, "%d\n", level);
        EXPECT_EQ(c.expected, AfterHeader(ReadFile("l.log"))) << int(c.max);
    }
}

TEST(LogLevels, NothingBeforeInitOrAfterClose) {
    TempDir dir;
    QLogSystem log;
    testing::internal::CaptureStdout();
    log.Msg(0, "before\n");
    log.Init("c.log", LOG_NEWFILE | LOG_STDOUT, 5, "T");
    log.Msg(0, "during\n");
    log.Close();
    log.Msg(0, "after\n");
    EXPECT_EQ("during\n", testing::internal::GetCapturedStdout());
    EXPECT_EQ("during\n", AfterHeader(ReadFile("c.log")));
    EXPECT_FALSE(log.IsOpen());
}

TEST(LogFallback, UnwritablePathUsesErrorFileWithWarning) {
    TempDir dir;
    QLogSystem log;
    log.Init("missing-dir/x.log", LOG_NEWFILE, 2, "T");
    EXPECT_STREQ("ILogSysError.txt", log.GetFileName());
    log.Msg(0, "kept\n");
    std::string text = ReadFile("ILogSysError.txt");
    EXPECT_TRUE(std::regex_search(
        text, std::regex("\n \\. Executing at " + kDate +
                         " \\. Warning: it was not possible to create your log file\\.\nkept\n$")))
        << text;
}

TEST(LogFallback, NoFileAtAllStaysClosedUnlessStdout) {
    TempDir dir;
    // Both the file and the fallback are impossible: a directory holds the fallback's name.
    ASSERT_EQ(0, system("mkdir ILogSysError.txt"));
    {
        QLogSystem log;
        log.Init("missing-dir/x.log", LOG_NEWFILE, 2, "T");
        EXPECT_FALSE(log.IsOpen());
    }
    QLogSystem log;
    testing::internal::CaptureStdout();
    log.Init("missing-dir/x.log", LOG_NEWFILE | LOG_STDOUT, 2, "T");
    log.Msg(0, "still here\n");
    EXPECT_EQ("still here\n", testing::internal::GetCapturedStdout());
}

TEST(LogTimestamps, PrefixSecondsSinceEngineStart) {
    TempDir dir;
    FakeClock clock(5000);
    QLogSystem log;
    log.SetStartTicks(1766);
    log.Init("ts.log", LOG_NEWFILE, 2, "T");
    log.SetTimestamps(true);
    log.Msg(0, "a\n");
    clock.Advance(250);
    log.Msg(0, "b\n");
    log.SetTimestamps(false);
    log.Msg(0, "c\n");
    EXPECT_EQ("{3.234s}a\n{3.484s}b\nc\n", AfterHeader(ReadFile("ts.log")));
}

TEST(LogThreads, MessagesFromManyThreadsStayWhole) {
    TempDir dir;
    QLogSystem log;
    log.Init("mt.log", LOG_NEWFILE, 2, "T");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&log, t] {
            for (int i = 0; i < 200; ++i)
                log.Msg(0, "%d:%s:%d\n", t, "0123456789abcdef", i);
        });
    for (std::thread &t : threads)
        t.join();
    std::string body = AfterHeader(ReadFile("mt.log"));
    std::regex line("[0-3]:0123456789abcdef:[0-9]+");
    int count = 0;
    for (size_t start = 0, end; (end = body.find('\n', start)) != std::string::npos;
         start = end + 1) {
        EXPECT_TRUE(std::regex_match(body.substr(start, end - start), line));
        ++count;
    }
    EXPECT_EQ(800, count);
}

TEST(LogThreads, CloseWhileOthersLogIsSafe) {
    TempDir dir;
    QLogSystem log;
    log.Init("close.log", LOG_NEWFILE, 2, "T");
    std::atomic<bool> go{true};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&log, &go] {
            while (go)
                log.Msg(0, "%s\n", "0123456789abcdef");
        });
    while (AfterHeader(ReadFile("close.log")).empty()) // the threads are logging
        std::this_thread::yield();
    log.Close();
    std::string closed = ReadFile("close.log");
    log.Msg(0, "after\n"); // closed: dropped
    go = false;
    for (std::thread &t : threads)
        t.join();
    EXPECT_FALSE(log.IsOpen());
    // Every line written before the close is whole, and none came after it.
    EXPECT_EQ(closed, ReadFile("close.log"));
    std::string body = AfterHeader(closed);
    for (size_t start = 0, end; (end = body.find('\n', start)) != std::string::npos;
         start = end + 1)
        EXPECT_EQ("0123456789abcdef", body.substr(start, end - start));
}
