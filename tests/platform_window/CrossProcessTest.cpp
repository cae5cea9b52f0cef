// Finding the windows of another process and reaching them: the second
// start of the program raises the running copy's window this way, and a
// test finds the program's message boxes.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/window/User32.h"
#include "tests/support/TempMachineRoot.h"

extern char** environ;

namespace {

struct Child {
    pid_t pid = -1;
    int output = -1;
};

Child StartHelper() {
    Child child;
    // The helper is built beside the test executable.
    const std::string path =
        (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "platform_window_helper").string();
    int fds[2];
    if (pipe(fds) != 0) return child;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    if (posix_spawn(&child.pid, path.c_str(), &actions, nullptr, argv, environ) != 0) child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    child.output = fds[0];
    return child;
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[256];
    ssize_t got;
    while ((got = read(fd, buffer, sizeof(buffer))) > 0) text.append(buffer, static_cast<size_t>(got));
    close(fd);
    return text;
}

HWND WaitForWindow(LPCWSTR cls, LPCWSTR title) {
    for (int i = 0; i < 500; ++i) {
        if (HWND found = FindWindowW(cls, title)) return found;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

TEST(CrossProcessTest, SecondStartFindsRestoresRaisesAndPostsToTheRunningWindowAndItsOwnedBox) {
    TempMachineRoot root;
    Child child = StartHelper();
    ASSERT_GT(child.pid, 0);
    const HWND found = WaitForWindow(L"CMainWnd", L"Brisgol加速器插件");
    ASSERT_NE(found, nullptr);
    EXPECT_TRUE(IsWindow(found));
    EXPECT_EQ(FindWindowW(L"CMainWnd", L"another title"), nullptr);
    // Its message box, owned by the window, is found the same way.
    const HWND box = WaitForWindow(L"CMessageBoxExWnd", L"Brisgol加速器插件");
    ASSERT_NE(box, nullptr);
    EXPECT_NE(box, found);
    EXPECT_TRUE(PostMessageW(box, WM_USER + 1002, 0, 7));

    ShowWindow(found, SW_RESTORE);
    EXPECT_TRUE(SetWindowPos(found, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE));
    EXPECT_TRUE(SetWindowPos(found, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE));
    EXPECT_TRUE(PostMessageW(found, WM_USER + 1001, 0, 24));

    const std::string output = ReadAll(child.output);
    int status = 0;
    waitpid(child.pid, &status, 0);
    EXPECT_EQ(output, "ready\nbox code=7 owner=1\ncode=24 restored=1 visible=1 topmost=0 foreground=1\n");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // The registry entries went with the windows.
    EXPECT_EQ(FindWindowW(L"CMainWnd", nullptr), nullptr);
    EXPECT_EQ(FindWindowW(L"CMessageBoxExWnd", nullptr), nullptr);
    EXPECT_FALSE(IsWindow(box));
    EXPECT_FALSE(IsWindow(found));
    EXPECT_FALSE(PostMessageW(found, WM_USER + 1001, 0, 1));
}

TEST(CrossProcessTest, EntriesOfDeadProcessesAreIgnoredAndRemoved) {
    TempMachineRoot root;
    pid_t dead = -1;
    char* argv[] = {const_cast<char*>("/bin/true"), nullptr};
    ASSERT_EQ(posix_spawn(&dead, "/bin/true", nullptr, nullptr, argv, environ), 0);
    waitpid(dead, nullptr, 0);
    const auto entry = root.Dir("windows") / (std::to_string(dead) + "-10010");
    WriteTestFile(entry, "CMainWnd\nBrisgol加速器插件\n");
    EXPECT_EQ(FindWindowW(L"CMainWnd", L"Brisgol加速器插件"), nullptr);
    EXPECT_FALSE(std::filesystem::exists(entry));

    // Malformed names and contents are skipped.
    WriteTestFile(root.Dir("windows") / "garbage", "CMainWnd\n");
    WriteTestFile(root.Dir("windows") / (std::to_string(getppid()) + "-zz"), "CMainWnd\nx\n");
    EXPECT_EQ(FindWindowW(L"CMainWnd", nullptr), nullptr);
}

}  // namespace
