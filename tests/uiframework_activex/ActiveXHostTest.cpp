// Creating, placing, showing and destroying a hosted object.
#include "tests/uiframework_activex/BrowserFixture.h"

#include <cstdlib>

#include "platform/window/DeviceContext.h"
#include "uiframework/activex/ActiveXUI.h"

namespace activextest {
namespace {

using HostTest = BrowserWindowTest;

TEST_F(HostTest, NothingIsCreatedBeforeTheFirstLayout) {
  EXPECT_EQ(web.created, 0);
  EXPECT_EQ(browser->GetNativeHandle(), nullptr);
  Layout();
  EXPECT_EQ(web.created, 1);
  ASSERT_NE(browser->GetNativeHandle(), nullptr);
  EXPECT_EQ(GetParent(browser->GetNativeHandle()), window.GetHWND());
}

TEST_F(HostTest, HostWindowFollowsTheControlsRectangle) {
  Layout();
  HWND host = browser->GetNativeHandle();
  RECT rc;
  GetWindowRect(host, &rc);
  POINT origin{rc.left, rc.top};
  ScreenToClient(window.GetHWND(), &origin);
  EXPECT_EQ(origin.x, 50);
  EXPECT_EQ(origin.y, 0);
  EXPECT_EQ(rc.right - rc.left, 350);
  EXPECT_EQ(rc.bottom - rc.top, 300);
  EXPECT_EQ(Engine().ViewRect().right, 350);  // the view fills the host window

  spacer->SetFixedWidth(100);
  Layout();
  GetWindowRect(host, &rc);
  EXPECT_EQ(rc.right - rc.left, 300);
  EXPECT_EQ(Engine().ViewRect().right, 300);
}

TEST_F(HostTest, HidingTheControlHidesTheHostWindow) {
  Layout();
  HWND host = browser->GetNativeHandle();
  EXPECT_TRUE(IsWindowVisible(host));
  browser->SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(host));
  browser->SetVisible(true);
  EXPECT_TRUE(IsWindowVisible(host));
}

TEST_F(HostTest, MouseWheelOverTheHostWindowIsConsumed) {
  Layout();
  EXPECT_EQ(SendMessageW(browser->GetNativeHandle(), WM_MOUSEWHEEL, 120 << 16, 0), 0);
}

TEST_F(HostTest, ClsidInBracesAndProgIdBothCreate) {
  auto* byId = new CActiveXUI;
  EXPECT_TRUE(byId->SetClsid(L"{8856f961-340a-11d0-a96b-00c04fd705a2}"));
  auto* byName = new CActiveXUI;
  EXPECT_TRUE(byName->SetClsid(L"Shell.Explorer.2"));
  window.AttachRow({byId, byName}, {100});
  Layout();
  EXPECT_EQ(web.created, 2);
  EXPECT_NE(byId->GetNativeHandle(), nullptr);
  EXPECT_NE(byName->GetNativeHandle(), nullptr);
}

TEST_F(HostTest, UnknownProgIdAndNullClassAreRefused) {
  CActiveXUI control;
  EXPECT_FALSE(control.SetClsid(L"No.Such.Class"));
  EXPECT_FALSE(control.SetClsid(L"{00000000-0000-0000-0000-000000000000}"));
  EXPECT_FALSE(control.SetClsid(L"{8856F961-340A-11D0-A96B}"));
  EXPECT_EQ(control.GetClsid(), GUID_NULL);
}

TEST_F(HostTest, DelayCreateOffCreatesAtOnce) {
  auto* control = new CActiveXUI;
  window.AttachRow({control}, {});
  window.pm.BindTree(control);
  control->SetAttribute(L"clsid", L"{8856F961-340A-11D0-A96B-00C04FD705A2}");
  EXPECT_EQ(web.created, 0);
  control->SetAttribute(L"delaycreate", L"false");
  EXPECT_EQ(web.created, 1);
  EXPECT_TRUE(control->IsCreated());
}

TEST_F(HostTest, AClassNobodyRegisteredLeavesTheControlEmpty) {
  auto* control = new CActiveXUI;
  ASSERT_TRUE(control->SetClsid(L"{11111111-2222-3333-4444-555555555555}"));
  window.AttachRow({control}, {});
  Layout();
  EXPECT_TRUE(control->IsCreated());
  EXPECT_EQ(control->GetNativeHandle(), nullptr);
  void* object = nullptr;
  EXPECT_EQ(control->QueryObject(IID_IOleObject, &object), E_PENDING);
  EXPECT_EQ(control->QueryObject(IID_IOleObject, nullptr), E_POINTER);
}

std::wstring ModulePath(const char* name) {
  const char* build = std::getenv("BRISGOL_BUILD_DIR");
  std::string path = std::string(build ? build : ".") + "/tests/modules/" + name;
  return std::wstring(path.begin(), path.end());
}

TEST_F(HostTest, ModuleClassFactoryCreatesTheObject) {
  auto* control = new CActiveXUI;
  control->SetModuleName(ModulePath("activex_factory_module.so").c_str());
  ASSERT_TRUE(control->SetClsid(L"{6F1B3C2A-8D4E-4B7F-9A21-3C5D7E9F0B11}"));
  window.AttachRow({control}, {});
  Layout();
  ComPtr<IOleObject> object;
  EXPECT_EQ(control->QueryObject(IID_IOleObject, object.PutVoid()), S_OK);
  EXPECT_EQ(web.created, 0);
}

TEST_F(HostTest, ModuleWithoutFactoryFallsBackToTheRegistry) {
  auto* control = new CActiveXUI;
  control->SetModuleName(ModulePath("activex_plain_module.so").c_str());
  ASSERT_TRUE(control->SetClsid(L"Shell.Explorer.2"));
  window.AttachRow({control}, {});
  Layout();
  EXPECT_EQ(web.created, 1);
  EXPECT_NE(control->GetNativeHandle(), nullptr);
}

TEST_F(HostTest, ModuleThatCannotBeLoadedFallsBackToTheRegistry) {
  auto* missing = new CActiveXUI;
  missing->SetModuleName(L"/nonexistent/module.so");
  ASSERT_TRUE(missing->SetClsid(L"Shell.Explorer.2"));
  auto* unregistered = new CActiveXUI;
  unregistered->SetModuleName(L"/nonexistent/module.so");
  ASSERT_TRUE(unregistered->SetClsid(L"{6F1B3C2A-8D4E-4B7F-9A21-3C5D7E9F0B11}"));
  window.AttachRow({missing, unregistered}, {100});
  Layout();
  EXPECT_NE(missing->GetNativeHandle(), nullptr);
  void* object = nullptr;
  EXPECT_EQ(unregistered->QueryObject(IID_IOleObject, &object), E_PENDING);
}

TEST_F(HostTest, DestroyingTheControlClosesTheObjectAndItsWindow) {
  Layout();
  HWND host = browser->GetNativeHandle();
  scripted::ScriptedBrowser* engine = &Engine();
  engine->AddRef();
  window.pm.AttachRoot(new CControlUI);  // the old tree is deleted
  skintest::Pump();
  EXPECT_FALSE(IsWindow(host));
  EXPECT_FALSE(engine->IsAttached());
  EXPECT_EQ(engine->Detaches(), 1);
  engine->Release();
}

TEST_F(HostTest, SnapshotOfTheHostWindowDrawsTheView) {
  Layout();
  HWND host = browser->GetNativeHandle();
  HDC dc = GetDC(host);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(SendMessageW(host, WM_PRINT, reinterpret_cast<WPARAM>(dc), 0), 0);
  ReleaseDC(host, dc);
}

}  // namespace
}  // namespace activextest
