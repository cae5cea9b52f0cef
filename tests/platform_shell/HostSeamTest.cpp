// What a display's notification area is told, and that an area that is not
// there refuses icons. A process of its own: the host is installed before
// the first icon.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/shell/NotifyArea.h"
#include "tests/platform_window/RecordingWindow.h"
#include "tests/support/TempMachineRoot.h"

namespace {

class RecordingHost final : public NotifyAreaHost {
 public:
    bool present = false;
    std::vector<std::string> events;

    bool Present() override { return present; }
    void IconShown(const NotifyIconState& icon) override {
        events.push_back("shown " + std::to_string(icon.id) + " gen " + std::to_string(icon.generation) +
                         (icon.hidden ? " hidden" : ""));
    }
    void IconRemoved(HWND, UINT id, std::uint64_t generation) override {
        events.push_back("removed " + std::to_string(id) + " gen " + std::to_string(generation));
    }
};

TEST(NotifyAreaHostTest, TheHostSeesEveryChangeAndDecidesWhetherIconsAreTaken) {
    TempMachineRoot root;
    static RecordingHost host;
    ASSERT_TRUE(InstallNotifyAreaHost(&host));
    RecordingWindow window;
    window.Create(WS_POPUP, 0, 0, 10, 10);
    NOTIFYICONDATAW data;
    data.hWnd = window.hwnd();
    data.uID = 3;
    data.uFlags = NIF_TIP;

    EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &data)) << "no notification area";
    EXPECT_TRUE(NotifyIcons().empty());
    EXPECT_FALSE(InstallNotifyAreaHost(nullptr)) << "only before the first icon";

    host.present = true;
    const std::uint64_t generation = NotifyAreaRestarted(true);
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data));
    data.uFlags = NIF_STATE;
    data.dwState = data.dwStateMask = NIS_HIDDEN;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
    data.uVersion = NOTIFYICON_VERSION_4;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_SETVERSION, &data));
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    const std::string gen = std::to_string(generation);
    const std::vector<std::string> expected = {"shown 3 gen " + gen, "shown 3 gen " + gen + " hidden",
                                               "removed 3 gen " + gen};
    EXPECT_EQ(host.events, expected);
}

}  // namespace
