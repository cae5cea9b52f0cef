// The browser control as document host: events to the handler, defaults
// without one, and the argument checks of its event sink.
#include "tests/uiframework_activex/BrowserFixture.h"

namespace activextest {
namespace {

using WebBrowserTest = BrowserWindowTest;

TEST_F(WebBrowserTest, NavigateBeforeTheBrowserExistsDoesNothing) {
  browser->SetEventHandler(&handler);
  browser->Navigate(L"https://portal/a");
  Layout();
  EXPECT_TRUE(handler.events.empty());
  EXPECT_TRUE(Engine().Loads().empty());
}

TEST_F(WebBrowserTest, EventsReachTheHandlerAndFrameDocumentsStayInside) {
  web.pages[L"https://portal/a"] = scripted::Page{{L"https://portal/frame"}, 0};
  browser->SetEventHandler(&handler);
  Layout();
  browser->Navigate(L"https://portal/a");
  EXPECT_EQ(handler.events, (std::vector<std::wstring>{L"before https://portal/a", L"complete https://portal/a",
                                                        L"before https://portal/frame",
                                                        L"complete https://portal/frame",
                                                        L"document https://portal/a"}));
}

TEST_F(WebBrowserTest, CancelledNavigationLeavesThePage) {
  handler.cancelPrefixes = {L"https://other"};
  browser->SetEventHandler(&handler);
  Layout();
  browser->Navigate(L"https://portal/a");
  Engine().ClickLink(L"https://other/b");
  EXPECT_EQ(Engine().Shown(), L"https://portal/a");
}

TEST_F(WebBrowserTest, FailedLoadReportsNavigateError) {
  web.pages[L"https://portal/missing"] = scripted::Page{{}, 404};
  browser->SetEventHandler(&handler);
  Layout();
  browser->Navigate(L"https://portal/missing");
  EXPECT_EQ(handler.events.back(), L"error https://portal/missing 404");
}

TEST_F(WebBrowserTest, AutoNavigateOnlyForExactlyTrue) {
  browser->SetAttribute(L"homepage", L"https://portal/home");
  browser->SetAttribute(L"autonavi", L"True");
  EXPECT_FALSE(browser->IsAutoNavigate());
  browser->SetAttribute(L"autonavi", L"true");
  EXPECT_TRUE(browser->IsAutoNavigate());
  Layout();
  EXPECT_EQ(Engine().Shown(), L"https://portal/home");
}

TEST_F(WebBrowserTest, SilentIsAppliedAtCreationAndAfter) {
  browser->SetSilent(true);
  Layout();
  EXPECT_TRUE(Engine().IsSilent());
  browser->SetSilent(false);
  EXPECT_FALSE(Engine().IsSilent());
}

TEST_F(WebBrowserTest, HandlerCannotBeRemoved) {
  browser->SetEventHandler(&handler);
  browser->SetEventHandler(nullptr);
  EXPECT_EQ(browser->GetEventHandler(), &handler);
}

TEST_F(WebBrowserTest, ContextMenuIsTheEnginesOnlyWithoutAHandler) {
  Layout();
  browser->Navigate(L"https://portal/a");
  EXPECT_TRUE(Engine().RightClick());
  browser->SetEventHandler(&handler);
  EXPECT_FALSE(Engine().RightClick());
}

TEST_F(WebBrowserTest, DownloadsGoToTheHandler) {
  browser->SetEventHandler(&handler);
  Layout();
  browser->Navigate(L"https://portal/a");
  EXPECT_TRUE(Engine().StartDownload(L"https://portal/file.zip"));
  EXPECT_EQ(handler.events.back(), L"download https://portal/file.zip");
  handler.downloadResult = E_NOTIMPL;
  EXPECT_FALSE(Engine().StartDownload(L"https://portal/other.zip"));
}

TEST_F(WebBrowserTest, ScriptErrorsKeepScriptsRunningWithoutADialog) {
  Layout();
  browser->Navigate(L"https://portal/a");
  EXPECT_TRUE(Engine().ScriptError());
  VARIANT out;
  VariantInit(&out);
  EXPECT_EQ(browser->Exec(nullptr, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, &out), OLECMDERR_E_UNKNOWNGROUP);
  EXPECT_EQ(browser->Exec(&CGID_DocHostCommandHandler, 41, 0, nullptr, &out), OLECMDERR_E_NOTSUPPORTED);
}

TEST_F(WebBrowserTest, HostInfoWithoutAHandlerIsNotImplemented) {
  Layout();
  browser->Navigate(L"https://portal/a");
  DOCHOSTUIINFO info{};
  EXPECT_EQ(Engine().ProbeHostInfo(&info), E_NOTIMPL);
}

TEST_F(WebBrowserTest, OnlyTheDownloadManagerIsAService) {
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(browser->QueryService(SID_SDownloadManager, IID_IDownloadManager, &out), S_OK);
  EXPECT_NE(out, nullptr);
  EXPECT_EQ(browser->QueryService(IID_IDispatch, IID_IDispatch, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
}

TEST_F(WebBrowserTest, EventsAfterTheControlIsGoneAreDropped) {
  browser->SetEventHandler(&handler);
  Layout();
  browser->Navigate(L"https://portal/a");
  scripted::ScriptedBrowser* engine = &Engine();
  engine->AddRef();  // an engine callback still in flight
  window.pm.AttachRoot(new CControlUI);
  skintest::Pump();
  const size_t heard = handler.events.size();
  engine->ClickLink(L"https://portal/b");
  EXPECT_FALSE(engine->OpenWindow(L"https://portal/c"));
  engine->CloseFromPage();
  EXPECT_EQ(handler.events.size(), heard);
  engine->Release();
}

// The sink checks every event's argument block before reading it.
class SinkArgumentTest : public BrowserWindowTest {
 protected:
  HRESULT Invoke(DISPID id, std::vector<VARIANT>& args, UINT* argError = nullptr) {
    DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    return browser->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, argError);
  }
  static VARIANT Of(VARTYPE vt) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    return v;
  }
};

TEST_F(SinkArgumentTest, WrongInterfaceIdIsRefused) {
  DISPPARAMS params{nullptr, nullptr, 0, 0};
  EXPECT_EQ(browser->Invoke(DISPID_STATUSTEXTCHANGE, IID_IDispatch, 0, 0, &params, nullptr, nullptr, nullptr),
            E_INVALIDARG);
}

TEST_F(SinkArgumentTest, WrongCountsAreRefusedBeforeAnythingIsRead) {
  browser->SetEventHandler(&handler);
  for (DISPID id : {DISPID_BEFORENAVIGATE2, DISPID_NAVIGATECOMPLETE2, DISPID_DOCUMENTCOMPLETE, DISPID_WINDOWCLOSING,
                    DISPID_NAVIGATEERROR, DISPID_NEWWINDOW3, DISPID_COMMANDSTATECHANGE}) {
    std::vector<VARIANT> none;
    EXPECT_EQ(Invoke(id, none), DISP_E_BADPARAMCOUNT) << id;
    std::vector<VARIANT> one{Of(VT_EMPTY)};
    EXPECT_EQ(Invoke(id, one), DISP_E_BADPARAMCOUNT) << id;
    DISPPARAMS missing{nullptr, nullptr, 0, 0};
    missing.cArgs = 7;  // a count without the block
    EXPECT_NE(browser->Invoke(id, IID_NULL, 0, 0, &missing, nullptr, nullptr, nullptr), S_OK) << id;
    EXPECT_EQ(browser->Invoke(id, IID_NULL, 0, 0, nullptr, nullptr, nullptr, nullptr), DISP_E_BADPARAMCOUNT) << id;
  }
  EXPECT_TRUE(handler.events.empty());
}

TEST_F(SinkArgumentTest, WrongTypesAreRefusedWithTheirIndex) {
  browser->SetEventHandler(&handler);
  // WindowClosing(VT_BOOL child, VT_BOOL|VT_BYREF cancel): the cancel slot
  // holds a plain integer.
  std::vector<VARIANT> args{Of(VT_I4), Of(VT_BOOL)};
  UINT argError = 99;
  EXPECT_EQ(Invoke(DISPID_WINDOWCLOSING, args, &argError), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argError, 0u);
  // A by-reference slot that points nowhere.
  std::vector<VARIANT> nullRef{Of(VT_BYREF | VT_BOOL), Of(VT_BOOL)};
  EXPECT_EQ(Invoke(DISPID_WINDOWCLOSING, nullRef, &argError), DISP_E_TYPEMISMATCH);
  // NewWindow3 with a number where the address belongs.
  std::vector<VARIANT> newWindow{Of(VT_I4), Of(VT_BSTR), Of(VT_I4), Of(VT_BYREF | VT_BOOL),
                                 Of(VT_BYREF | VT_DISPATCH)};
  EXPECT_EQ(Invoke(DISPID_NEWWINDOW3, newWindow, &argError), DISP_E_TYPEMISMATCH);
  EXPECT_TRUE(handler.events.empty());
}

TEST_F(SinkArgumentTest, WellFormedEventReachesTheHandler) {
  browser->SetEventHandler(&handler);
  VARIANT_BOOL cancel = VARIANT_TRUE;
  std::vector<VARIANT> args{Of(VT_BYREF | VT_BOOL), Of(VT_BOOL)};
  args[0].pboolVal = &cancel;
  EXPECT_EQ(Invoke(DISPID_WINDOWCLOSING, args), S_OK);
  EXPECT_EQ(handler.events.back(), L"closing");
}

TEST_F(SinkArgumentTest, UnknownIdIsNotAMember) {
  std::vector<VARIANT> none;
  EXPECT_EQ(Invoke(9999, none), DISP_E_MEMBERNOTFOUND);
}

}  // namespace
}  // namespace activextest
