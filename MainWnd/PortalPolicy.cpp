#include "MainWnd/PortalPolicy.h"

#include <cwchar>
#include <cwctype>

namespace {

// The string value of an event's address argument (empty otherwise).
std::wstring AddressOf(const VARIANT* url) {
  if (url && url->vt == VT_BSTR && url->bstrVal) return std::wstring(url->bstrVal, SysStringLen(url->bstrVal));
  return std::wstring();
}

void SetCancel(VARIANT_BOOL* cancel, bool value) {
  if (cancel) *cancel = value ? VARIANT_TRUE : VARIANT_FALSE;
}

// Page scripts may call window.external.GetWebWhitelist(); it has no effect.
void GetWebWhitelist(SkinUI::CWebBrowserUI*, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {}

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
  size_t i = 0;
  for (; prefix[i] != 0; ++i) {
    if (i >= text.size() || std::towlower(static_cast<wint_t>(text[i])) != static_cast<wint_t>(prefix[i]))
      return false;
  }
  return true;
}

}  // namespace

CPortalPolicy::CPortalPolicy(const std::wstring& portalHost, const CWhitelist& inside, const CWhitelist& outside,
                             IPortalWindow& window, IDefaultBrowser& defaultBrowser)
    : home_(L"https://" + portalHost + L"/daohang/"),
      inside_(inside),
      outside_(outside),
      window_(window),
      defaultBrowser_(defaultBrowser) {}

void CPortalPolicy::AttachBrowser(SkinUI::CWebBrowserUI* browser) {
  browser_ = browser;
  if (!browser_) return;
  browser_->SetSilent(true);
  browser_->SetEventHandler(this);
  browser_->RegisterExternalFunction(L"GetWebWhitelist", &GetWebWhitelist);
  browser_->Navigate(home_.c_str());
}

void CPortalPolicy::NavigatePortal(int, void* pending) {
  auto* address = static_cast<std::wstring*>(pending);
  if (address && browser_) browser_->Navigate(address->c_str());
  delete address;
}

void CPortalPolicy::DiscardPendingNavigation(void* pending) { delete static_cast<std::wstring*>(pending); }

void CPortalPolicy::GoHome() {
  if (browser_) browser_->Navigate(home_.c_str());
}

void CPortalPolicy::BeforeNavigate2(IDispatch*, VARIANT*& url, VARIANT*&, VARIANT*&, VARIANT*&, VARIANT*&,
                                    VARIANT_BOOL*& cancel) {
  const std::wstring address = AddressOf(url);
  const bool allowed = MatchWhitelist(inside_, address) || address == home_;
  SetCancel(cancel, !allowed);
}

void CPortalPolicy::NewWindow3(IDispatch**, VARIANT_BOOL*& cancel, DWORD, BSTR, BSTR url) {
  const std::wstring address = url ? std::wstring(url, SysStringLen(url)) : std::wstring();
  SetCancel(cancel, true);
  if (MatchWhitelist(outside_, address)) {
    // Only web addresses leave the program; anything else is dropped.
    if (IsWebAddress(address)) defaultBrowser_.Open(address);
    return;
  }
  auto* pending = new std::wstring(address);
  if (!window_.QueueNavigatePortal(pending)) DiscardPendingNavigation(pending);
}

void CPortalPolicy::WindowClosing(VARIANT_BOOL, VARIANT_BOOL* cancel) {
  SetCancel(cancel, false);
  window_.CloseWindow();
}

HRESULT CPortalPolicy::GetHostInfo(DOCHOSTUIINFO* info) {
  if (!info) return S_OK;
  info->cbSize = 20;
  info->dwFlags |= DOCHOSTUIFLAG_DIALOG | DOCHOSTUIFLAG_DISABLE_HELP_MENU | DOCHOSTUIFLAG_NO3DBORDER |
                   DOCHOSTUIFLAG_THEME | DOCHOSTUIFLAG_NO3DOUTERBORDER;
  info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
  return S_OK;
}

bool CPortalPolicy::IsWebAddress(const std::wstring& address) {
  const wchar_t* schemes[] = {L"http://", L"https://"};
  for (const wchar_t* scheme : schemes) {
    if (!StartsWithNoCase(address, scheme)) continue;
    const std::wstring rest = address.substr(std::wcslen(scheme));
    // A host must follow, and no control character or space anywhere.
    if (rest.empty() || rest[0] == L'/' || rest[0] == L'?' || rest[0] == L'#') return false;
    for (wchar_t c : address) {
      if (c <= 0x20 || c == 0x7F) return false;
    }
    return true;
  }
  return false;
}
