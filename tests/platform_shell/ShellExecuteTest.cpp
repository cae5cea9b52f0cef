// ShellExecuteW: web addresses go to xdg-open as one argument and nothing
// else leaves through it; programs start with their parameters split as
// Windows splits them. A recording xdg-open stands first on PATH: nothing
// real is ever opened.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/NativePath.h"
#include "platform/shell/ShellApi.h"
#include "tests/support/TempMachineRoot.h"

namespace {

namespace fs = std::filesystem;

// A script that appends its working directory and each argument, one per
// line in brackets, to the file RECORD names.
void WriteRecorder(const fs::path& path) {
    WriteTestFile(path,
                  "#!/bin/sh\n"
                  "{ echo \"cwd=$(pwd)\"; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; } >> \"$RECORD\"\n");
    fs::permissions(path, fs::perms::owner_all);
}

INT_PTR Code(HINSTANCE result) { return reinterpret_cast<INT_PTR>(result); }

class ShellExecuteTest : public ::testing::Test {
 protected:
    void SetUp() override {
        bin_ = root_.Dir("bin");
        record_ = root_.path() / "record.txt";
        WriteRecorder(bin_ / "xdg-open");
        const char* path = std::getenv("PATH");
        savedPath_ = path != nullptr ? path : "";
        setenv("PATH", (bin_.string() + ":" + savedPath_).c_str(), 1);
        setenv("RECORD", record_.c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", savedPath_.c_str(), 1);
        unsetenv("RECORD");
    }
    // What the started program recorded, once it has written its last line.
    std::string Recorded(size_t lines) {
        for (int i = 0; i < 500; ++i) {
            const std::string text = ReadTestFile(record_);
            size_t count = 0;
            for (char c : text) count += c == '\n';
            if (count >= lines) return text;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return ReadTestFile(record_);
    }
    // Nothing was started: give a stray start time to show itself.
    bool NothingStarted() {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return !fs::exists(record_);
    }

    TempMachineRoot root_;
    fs::path bin_;
    fs::path record_;
    std::string savedPath_;
};

TEST_F(ShellExecuteTest, AWebAddressGoesToXdgOpenAsOneArgumentWithoutAShell) {
    const wchar_t* address = L"https://portal.example.test/a?b=1&c=$(touch%20x);d#top";
    EXPECT_GT(Code(ShellExecuteW(nullptr, L"open", address, nullptr, nullptr, SW_SHOWNORMAL)), 32);
    const std::string recorded = Recorded(2);
    EXPECT_NE(recorded.find("\n[https://portal.example.test/a?b=1&c=$(touch%20x);d#top]\n"), std::string::npos)
        << recorded;
    EXPECT_EQ(recorded.find("]\n["), std::string::npos) << "exactly one argument: " << recorded;
}

TEST_F(ShellExecuteTest, TheVerbMayBeLeftOutAndSchemesIgnoreCase) {
    EXPECT_GT(Code(ShellExecuteW(nullptr, nullptr, L"HTTP://Example.test/", L"", nullptr, SW_SHOWNORMAL)), 32);
    EXPECT_NE(Recorded(2).find("[HTTP://Example.test/]"), std::string::npos);
    fs::remove(record_);
    EXPECT_GT(Code(ShellExecuteW(nullptr, L"OPEN", L"http://127.0.0.1:8080/x", nullptr, nullptr, SW_SHOWNORMAL)), 32);
    EXPECT_NE(Recorded(2).find("[http://127.0.0.1:8080/x]"), std::string::npos);
}

struct Refusal {
    const wchar_t* verb;
    const wchar_t* file;
    const wchar_t* parameters;
    INT_PTR code;
};

class ShellExecuteRefusalTest : public ShellExecuteTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(ShellExecuteRefusalTest, IsRefusedWithAnErrorAndStartsNothing) {
    const Refusal& r = GetParam();
    EXPECT_EQ(Code(ShellExecuteW(nullptr, r.verb, r.file, r.parameters, nullptr, SW_SHOWNORMAL)), r.code);
    EXPECT_TRUE(NothingStarted());
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, ShellExecuteRefusalTest,
    ::testing::Values(Refusal{L"open", L"file:///etc/passwd", nullptr, SE_ERR_NOASSOC},
                      Refusal{L"open", L"FILE:///tmp/x.html", nullptr, SE_ERR_NOASSOC},
                      Refusal{L"open", L"javascript:alert(1)", nullptr, SE_ERR_NOASSOC},
                      Refusal{L"open", L"mailto:someone@example.test", nullptr, SE_ERR_NOASSOC},
                      Refusal{L"open", L"ftp://example.test/", nullptr, SE_ERR_NOASSOC},
                      Refusal{L"open", L"http:/example.test", nullptr, SE_ERR_NOASSOC},
                      Refusal{L"open", L"http://", nullptr, SE_ERR_NOASSOC},
                      Refusal{L"open", L"https:///etc/passwd", nullptr, SE_ERR_NOASSOC},
                      Refusal{L"open", L"http://example.test/a b", nullptr, SE_ERR_NOASSOC},
                      Refusal{L"open", L"http://example.test/\"x", nullptr, SE_ERR_NOASSOC},
                      Refusal{L"open", L"http://example.test/\n--help", nullptr, SE_ERR_NOASSOC},
                      Refusal{L"open", L"http://example.test/", L"--new-window", SE_ERR_NOASSOC},
                      Refusal{L"edit", L"http://example.test/", nullptr, SE_ERR_NOASSOC},
                      Refusal{L"runas", L"http://example.test/", nullptr, SE_ERR_NOASSOC},
                      Refusal{L"open", L"www.example.test", nullptr, SE_ERR_FNF},
                      Refusal{L"open", L"xdg-open", nullptr, SE_ERR_FNF},
                      Refusal{L"open", L"--help", nullptr, SE_ERR_FNF},
                      Refusal{L"open", L"", nullptr, SE_ERR_FNF},
                      Refusal{L"open", nullptr, nullptr, SE_ERR_FNF}));

TEST_F(ShellExecuteTest, AProgramStartsWithItsParametersSplitAsWindowsSplitsThem) {
    const fs::path program = root_.path() / "tool.exe";
    WriteRecorder(program);
    const fs::path work = root_.Dir("work");
    const std::wstring path = FromNativePath(program.string());
    const std::wstring directory = FromNativePath(work.string());
    EXPECT_GT(Code(ShellExecuteW(nullptr, L"open", path.c_str(), L"one \"two three\" {\"k\":\"v\"}",
                                 directory.c_str(), SW_SHOWNORMAL)),
              32);
    EXPECT_EQ(Recorded(4), "cwd=" + fs::canonical(work).string() + "\n[one]\n[two three]\n[{k:v}]\n");
}

TEST_F(ShellExecuteTest, DocumentsFoldersMissingAndRelativeProgramsAreRefused) {
    const fs::path document = root_.path() / "page.html";
    WriteTestFile(document, "<html></html>");
    EXPECT_EQ(Code(ShellExecuteW(nullptr, L"open", FromNativePath(document.string()).c_str(), nullptr, nullptr, 1)),
              SE_ERR_NOASSOC);
    EXPECT_EQ(Code(ShellExecuteW(nullptr, L"open", FromNativePath(bin_.string()).c_str(), nullptr, nullptr, 1)),
              SE_ERR_NOASSOC);
    const std::wstring missing = FromNativePath((root_.path() / "missing.exe").string());
    EXPECT_EQ(Code(ShellExecuteW(nullptr, L"open", missing.c_str(), nullptr, nullptr, 1)), SE_ERR_FNF);
    EXPECT_EQ(Code(ShellExecuteW(nullptr, L"open", L"bin\\xdg-open", nullptr, nullptr, 1)), SE_ERR_FNF);
    EXPECT_TRUE(NothingStarted());
}

}  // namespace
