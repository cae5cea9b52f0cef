// window.external: the table of script-callable functions, their dispatch
// ids and the checks of their arguments.
#include "tests/uiframework_activex/BrowserFixture.h"

namespace activextest {
namespace {

// The calls a callback saw, kept where the control's tag points.
struct CallLog {
  std::vector<std::wstring> calls;
};

void Record(CWebBrowserUI* control, DISPPARAMS* params, VARIANT* result, EXCEPINFO*, UINT*) {
  auto* log = reinterpret_cast<CallLog*>(control->GetTag());
  std::wstring text = L"call";
  for (UINT i = params->cArgs; i > 0; --i) {
    const VARIANT& arg = params->rgvarg[i - 1];
    text += arg.vt == VT_BSTR ? L" len=" + std::to_wstring(SysStringLen(arg.bstrVal)) : L" n";
  }
  log->calls.push_back(text);
  if (result) {
    result->vt = VT_I4;
    result->lVal = 7;
  }
}

class ExternalTest : public BrowserWindowTest {
 protected:
  void SetUp() override {
    BrowserWindowTest::SetUp();
    browser->SetTag(reinterpret_cast<UINT_PTR>(&log));
    browser->RegisterExternalFunction(L"GetWebWhitelist", &Record);
    browser->RegisterExternalFunction(L"Echo", &Record, {VT_BSTR, VT_VARIANT});
    Layout();
    browser->Navigate(L"https://portal/a");  // the document takes the host's handler
  }
  static VARIANT Text(const std::wstring& text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return v;
  }
  static VARIANT Number(LONG n) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = n;
    return v;
  }
  HRESULT Call(const std::wstring& name, std::vector<VARIANT> args) {
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = Engine().CallExternal(name, args, &result);
    for (VARIANT& v : args) VariantClear(&v);
    VariantClear(&result);
    return hr;
  }
  CallLog log;
};

TEST_F(ExternalTest, FunctionsGetDispatchIdsInRegistrationOrder) {
  wchar_t first[] = L"GetWebWhitelist";
  wchar_t second[] = L"Echo";
  LPOLESTR names[1] = {first};
  DISPID id = 0;
  EXPECT_EQ(browser->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
  EXPECT_EQ(id, 500);
  names[0] = second;
  EXPECT_EQ(browser->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
  EXPECT_EQ(id, 501);
}

TEST_F(ExternalTest, NamesMatchExactlyAndCaseSensitively) {
  wchar_t lower[] = L"getwebwhitelist";
  LPOLESTR names[1] = {lower};
  DISPID id = 0;
  EXPECT_EQ(browser->GetIDsOfNames(IID_NULL, names, 1, 0, &id), E_NOTIMPL);
  EXPECT_EQ(Call(L"Unregistered", {}), E_NOTIMPL);
  EXPECT_TRUE(log.calls.empty());
}

TEST_F(ExternalTest, ARegisteredFunctionIsReachedFromThePage) {
  EXPECT_EQ(Call(L"GetWebWhitelist", {}), S_OK);
  EXPECT_EQ(Call(L"Echo", {Text(L"abc"), Number(3)}), S_OK);
  EXPECT_EQ(log.calls, (std::vector<std::wstring>{L"call", L"call len=3 n"}));
}

TEST_F(ExternalTest, WrongArgumentCountsAndTypesNeverReachTheCallback) {
  EXPECT_EQ(Call(L"GetWebWhitelist", {Number(1)}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(L"Echo", {}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(L"Echo", {Text(L"a"), Number(1), Number(2)}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(L"Echo", {Number(1), Number(2)}), DISP_E_TYPEMISMATCH);
  DISPPARAMS countWithoutBlock{nullptr, nullptr, 2, 0};
  EXPECT_EQ(browser->Invoke(501, IID_NULL, 0, DISPATCH_METHOD, &countWithoutBlock, nullptr, nullptr, nullptr),
            E_INVALIDARG);
  EXPECT_TRUE(log.calls.empty());
}

TEST_F(ExternalTest, ALargeStringArgumentIsPassedWhole) {
  EXPECT_EQ(Call(L"Echo", {Text(std::wstring(10u << 20, L'x')), Number(0)}), S_OK);
  EXPECT_EQ(log.calls, (std::vector<std::wstring>{L"call len=10485760 n"}));
}

TEST_F(ExternalTest, UnknownDispatchIdIsNotAMember) {
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(browser->Invoke(502, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
}

}  // namespace
}  // namespace activextest
