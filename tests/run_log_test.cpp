#include "shell/run_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// What follows a "[hh:mm:ss.mmm] " stamp at the start of text; nothing when it has none.
std::optional<std::string> Unstamped(const std::string& text) {
    const std::string shape = "[dd:dd:dd.ddd] ";
    if (text.size() < shape.size()) {
        return std::nullopt;
    }
    for (size_t i = 0; i < shape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (shape[i] == 'd' ? !digit : text[i] != shape[i]) {
            return std::nullopt;
        }
    }
    return text.substr(shape.size());
}

class RunLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        mDir = fs::temp_directory_path() /
               ("runlog_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(mDir);
        mConsole = std::tmpfile();
    }
    void TearDown() override {
        runlog::Close();
        runlog::SetTimestamp(true);
        std::fclose(mConsole);
        fs::remove_all(mDir);
    }
    std::string ReadFile(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string ReadConsole() {
        std::fflush(mConsole);
        std::rewind(mConsole);
        std::string text;
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, mConsole)) > 0) {
            text.append(buffer, n);
        }
        return text;
    }
    fs::path mDir;
    std::FILE* mConsole = nullptr;
};

}  // namespace

TEST_F(RunLogTest, WithoutTheMarkerNothingIsCreatedAndCallsReturnZero) {
    EXPECT_FALSE(runlog::InitFromMarker(mDir.string()));
    EXPECT_FALSE(runlog::IsOn());
    EXPECT_EQ(runlog::Log("hello %d\n", 1), 0);
    EXPECT_EQ(runlog::LogW(L"hello %d\n", 1), 0);
    EXPECT_FALSE(fs::exists(mDir / "save.log"));
}

TEST_F(RunLogTest, TheMarkerOpensSaveLogInThatDirectory) {
    std::ofstream(mDir / "savelog.ini").put('\n');
    ASSERT_TRUE(runlog::InitFromMarker(mDir.string()));
    runlog::Log("PC_Connect = %d\n", 1);
    runlog::Close();
    const std::string text = ReadFile(mDir / "save.log");
    EXPECT_EQ(Unstamped(text), "PC_Connect = 1\n") << text;
}

TEST_F(RunLogTest, LinesGoToFileAndConsoleWithTimestampsAndLiteralPercent) {
    ASSERT_TRUE(runlog::Open((mDir / "save.log").string(), mConsole));
    EXPECT_EQ(runlog::Log("%s\n", "100% sure %d"), 13);
    runlog::SetTimestamp(false);
    runlog::Log("continued\n");
    runlog::SetTimestamp(true);
    runlog::Close();
    const std::string file = ReadFile(mDir / "save.log");
    EXPECT_EQ(Unstamped(file), "100% sure %d\ncontinued\n") << file;
    EXPECT_EQ(ReadConsole(), file);
}

TEST_F(RunLogTest, WideLinesAreWrittenAsUtf8) {
    ASSERT_TRUE(runlog::Open((mDir / "save.log").string(), mConsole));
    runlog::SetTimestamp(false);
    runlog::LogW(L"Connect OK\xFF01 %ls\n", L"\x5F20\x0001F3B5");
    runlog::Close();
    EXPECT_EQ(ReadFile(mDir / "save.log"), "Connect OK\xEF\xBC\x81 \xE5\xBC\xA0\xF0\x9F\x8E\xB5\n");
}

TEST_F(RunLogTest, OverlongMessagesAreCutNotOverrun) {
    ASSERT_TRUE(runlog::Open((mDir / "save.log").string(), mConsole));
    runlog::SetTimestamp(false);
    const std::string narrow(5000, 'n');
    const std::wstring wide(5000, L'w');
    EXPECT_EQ(runlog::Log("%s", narrow.c_str()), 1023);
    runlog::LogW(L"%ls", wide.c_str());
    runlog::Close();
    const std::string text = ReadFile(mDir / "save.log");
    EXPECT_EQ(text, std::string(1023, 'n') + std::string(1535, 'w'));
}

TEST_F(RunLogTest, ConcurrentWritersNeverInterleaveWithinALine) {
    ASSERT_TRUE(runlog::Open((mDir / "save.log").string(), mConsole));
    auto writer = [](char c) {
        const std::string line(200, c);
        for (int i = 0; i < 500; ++i) {
            runlog::Log("%s\n", line.c_str());
        }
    };
    std::thread a(writer, 'a'), b(writer, 'b'), c(writer, 'c');
    a.join();
    b.join();
    c.join();
    runlog::Close();
    std::istringstream lines(ReadFile(mDir / "save.log"));
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        const std::optional<std::string> text = Unstamped(line);
        ASSERT_TRUE(text && text->size() == 200 &&
                    text->find_first_not_of(text->front()) == std::string::npos &&
                    std::string("abc").find(text->front()) != std::string::npos)
            << line.substr(0, 60);
        ++count;
    }
    EXPECT_EQ(count, 1500);
}

TEST_F(RunLogTest, AMutedThreadWritesNothingWhileOthersStillDo) {
    ASSERT_TRUE(runlog::Open((mDir / "save.log").string(), mConsole));
    runlog::SetTimestamp(false);
    {
        const runlog::ScopedMute mute;
        EXPECT_EQ(runlog::Log("device side\n"), 0);
        std::thread other([] { runlog::Log("program side\n"); });
        other.join();
    }
    runlog::Log("after\n");
    runlog::Close();
    EXPECT_EQ(ReadFile(mDir / "save.log"), "program side\nafter\n");
}

TEST_F(RunLogTest, AnUnreadableMarkerStillCounts) {
    const fs::path marker = mDir / "savelog.ini";
    std::ofstream(marker).put('\n');
    fs::permissions(marker, fs::perms::none);
    EXPECT_TRUE(runlog::InitFromMarker(mDir.string()));
    EXPECT_TRUE(fs::exists(mDir / "save.log"));
}
