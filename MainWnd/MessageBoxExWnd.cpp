#include "MainWnd/MessageBoxExWnd.h"

#include "MainWnd/CaptionHitTest.h"
#include "MainWnd/MainWnd.h"
#include "system/WriteLogFile.h"
#include "uiframework/layout/ContainerUI.h"
#include "uiframework/markup/ControlClassTable.h"

#include <cwchar>
#include <memory>

namespace {

using SkinUI::CControlUI;

constexpr DWORD kBoxStyle = 0x16C00000;  // WS_VISIBLE, WS_CLIPSIBLINGS, WS_CLIPCHILDREN, WS_CAPTION
constexpr int kBoxWidth = 315;
constexpr int kBoxHeight = 215;

// Builds the tree of one box from rows of (depth, class, attributes); the
// texts the caller passes are set separately, never parsed as attributes.
struct TreeRow {
  int depth;
  const wchar_t* className;
  const wchar_t* attributes;
};

constexpr TreeRow kTree[] = {
    {0, L"VerticalLayout",
     L"bkimage=\"file='bkimage/circular_corner_bk.png' corner='10,10,10,10'\" bkcolor=\"#FFFFFFFF\""},
    {1, L"HorizontalLayout", L"height=\"35\""},
    {2, L"Label", L"name=\"title_lab\" textcolor=\"#FFBAB4CE\" textpadding=\"15,0,0,0\" visible=\"false\""},
    {2, L"Button",
     L"name=\"close_btn\" width=\"35\" height=\"35\" normalimage=\"btn/close_nor.png\" "
     L"hotimage=\"btn/close_hot.png\" padding=\"270,0,0,0\""},
    {1, L"HorizontalLayout", L"inset=\"15,0,15,0\""},
    {2, L"VerticalLayout", L"name=\"waring_ico_ver\" width=\"1\" visible=\"false\""},
    {3, L"Control", L"visible=\"false\""},
    {3, L"Control", L"width=\"64\" height=\"64\" bkimage=\"bkimage/WarningIcon.png\" visible=\"false\""},
    {3, L"Control", L"visible=\"false\""},
    {2, L"Label",
     L"name=\"content_lab\" enabledeffect=\"true\" multiline=\"true\" rhaa=\"5\" textcolor=\"#FF000000\" "
     L"align=\"center\" textpadding=\"0,-30,0,0\""},
    {1, L"HorizontalLayout", L"height=\"50\""},
    {2, L"Control", L""},
    {2, L"Button",
     L"name=\"ok_btn\" width=\"100\" height=\"30\" textcolor=\"#FFFFFFFF\" bkcolor=\"#FF4285F4\" "
     L"hotbkcolor=\"#FF6199F5\" borderround=\"3,3\""},
    {2, L"Control", L"name=\"mid_ctr\" width=\"20\""},
    {2, L"Button",
     L"name=\"cancel_btn\" width=\"100\" height=\"30\" textcolor=\"#FFFFFFFF\" bkcolor=\"#FF383F5F\" "
     L"hotbkcolor=\"#FF49537D\" borderround=\"3,3\""},
    {2, L"Control", L""},
};

// In the caption area only buttons take the mouse.
bool IsButton(LPCWSTR className) { return std::wcscmp(className, L"Button") == 0; }

bool Named(const SkinUI::UINotifyMsg& msg, const wchar_t* name) {
  return msg.sender != nullptr && msg.sender->GetName() == name;
}

}  // namespace

CMessageBoxExWnd::CMessageBoxExWnd(LPCWSTR title, LPCWSTR text, int iconFlag, int type, LPCWSTR firstText,
                                   LPCWSTR secondText)
    : m_title(title != nullptr ? title : L""),
      m_text(text != nullptr ? text : L""),
      m_iconFlag(iconFlag),
      m_type(type),
      m_firstText(firstText != nullptr ? firstText : L""),
      m_secondText(secondText != nullptr ? secondText : L"") {}

CControlUI* CMessageBoxExWnd::BuildTree() {
  std::unique_ptr<CControlUI> root;
  SkinUI::CContainerUI* parents[4] = {};
  for (const TreeRow& row : kTree) {
    CControlUI* control = SkinUI::CreateControlByClass(row.className);
    if (control == nullptr) {
      g_logFile.WriteFormat(__FILE__, __LINE__, L"消息框无法建立：缺少控件类 %s", row.className);
      return nullptr;
    }
    control->ApplyAttributes(row.attributes);
    if (row.depth == 0)
      root.reset(control);
    else
      parents[row.depth - 1]->Add(control);
    if (row.depth < 3) parents[row.depth] = static_cast<SkinUI::CContainerUI*>(control->FindInterface(L"Container"));
    const SkinUI::CUIString name = control->GetName();
    if (name == L"title_lab") control->SetText(m_title.c_str());
    if (name == L"content_lab") control->SetText(m_text.c_str());
    if (name == L"ok_btn") control->SetText(m_firstText.c_str());
    if (name == L"cancel_btn") control->SetText(m_secondText.c_str());
  }
  return root.release();
}

LRESULT CMessageBoxExWnd::OnCreate() {
  LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
  style &= ~static_cast<LONG>(WS_CAPTION);
  style |= static_cast<LONG>(WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  ::SetWindowLongW(m_hWnd, GWL_STYLE, style);
  m_pm.Init(m_hWnd);
  m_pm.SetWindowAttribute(L"caption", L"0,0,0,35");
  CControlUI* root = BuildTree();
  if (root == nullptr) return -1;
  m_pm.AttachRoot(root);
  m_pm.SetLayeredImage(L"");
  m_pm.AddNotifier(this);
  return 0;
}

LRESULT CMessageBoxExWnd::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate();
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
    case WM_NCLBUTTONDBLCLK:
      return 0;
    case WM_NCHITTEST:
      return CaptionHitTest(m_hWnd, m_pm, lParam, IsButton);
    case WM_KEYDOWN:
      // Only Escape means something here; no key reaches the controls.
      if (wParam == VK_ESCAPE) Close(0);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        Close(0);
        return 0;
      }
      if ((wParam & 0xFFF0) == SC_KEYMENU) return 0;
      return CWindowWnd::OnMessage(message, wParam, lParam);
    default:
      break;
  }
  LRESULT result = 0;
  if (m_pm.HandleWindowMessage(message, wParam, lParam, result)) return result;
  return CWindowWnd::OnMessage(message, wParam, lParam);
}

void CMessageBoxExWnd::ShowChosenParts() {
  auto show = [this](const wchar_t* name, bool visible) {
    if (CControlUI* control = m_pm.FindControl(name)) control->SetVisible(visible);
  };
  show(L"waring_ico_ver", m_iconFlag != 0);
  show(L"ok_btn", m_type == 1 || m_type == 2);
  show(L"mid_ctr", m_type == 2);
  show(L"cancel_btn", m_type == 2);
}

void CMessageBoxExWnd::Notify(SkinUI::UINotifyMsg& msg) {
  if (msg.type == L"windowinit") {
    CenterOnOwner();
    ShowChosenParts();
  } else if (msg.type == L"click") {
    if (Named(msg, L"close_btn"))
      Close(0);
    else if (Named(msg, L"ok_btn"))
      Close(1);
    else if (Named(msg, L"cancel_btn"))
      Close(2);
  }
}

int ShowMessageBoxEx(HWND owner, LPCWSTR title, LPCWSTR text, int iconFlag, int type, LPCWSTR firstText,
                     LPCWSTR secondText, int width, int height) {
  CMessageBoxExWnd box(title, text, iconFlag, type, firstText, secondText);
  if (box.Create(owner, kProductTitle, kBoxStyle, 0, 0, 0, width, height) == nullptr) return 0;
  const int result = static_cast<int>(box.RunModal(true, false));
  // A loop ended by WM_QUIT leaves the box standing: it must not outlive
  // its object.
  if (::IsWindow(box.GetHWND())) ::DestroyWindow(box.GetHWND());
  return result;
}

int CSkinnedMessageBoxes::Ask(HWND owner, const std::wstring& text, int type, const wchar_t* firstText,
                              const wchar_t* secondText) {
  return ShowMessageBoxEx(owner, kProductTitle, text.c_str(), 1, type, firstText, secondText, kBoxWidth,
                          kBoxHeight);
}
