// CDialogBuilder: builds a control tree from layout markup. It registers
// the window resources the document declares (images, fonts, default
// attribute lists, language strings, window attributes) with the window
// manager, then creates one control per element by the class table,
// offering unknown element names to the caller's callback.
//
// Hostile layouts are bounded: element nesting and Include chains share a
// depth limit, an Include that names a layout already being built is
// skipped, and one build creates at most kMaxControls controls. Without a
// parent only the first top-level element is built (it is the result).
//
// An element whose name neither the class table nor the callback knows is
// left out with everything inside it, and its name goes to the log once
// per build.
#pragma once

#include "platform/Types.h"
#include "uiframework/markup/MarkupElement.h"
#include "uiframework/markup/MarkupParser.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace SkinUI {

class CControlUI;
class CWindowManagerUI;

class IDialogBuilderCallback {
 public:
  virtual ~IDialogBuilderCallback() = default;
  // A new control for an element name the class table does not know, or
  // null to skip the element.
  virtual CControlUI* CreateControl(LPCWSTR className) = 0;
};

class CDialogBuilder {
 public:
  static constexpr int kMaxDepth = 256;
  static constexpr int kMaxControls = 100000;
  static constexpr int kMaxIncludeCount = 256;
  static constexpr size_t kIncludeValueChars = 500;

  CDialogBuilder();
  ~CDialogBuilder();
  CDialogBuilder(const CDialogBuilder&) = delete;
  CDialogBuilder& operator=(const CDialogBuilder&) = delete;

  // xml: a module resource id (MAKEINTRESOURCEW, loaded from the manager's
  // resource module with type), text beginning with "<", or a file name.
  // Returns the first control created at the top level, or null.
  CControlUI* Create(LPCWSTR xml, LPCWSTR type = nullptr, IDialogBuilderCallback* callback = nullptr,
                     CWindowManagerUI* manager = nullptr, CControlUI* parent = nullptr);
  // Builds again from the document already parsed.
  CControlUI* Create(IDialogBuilderCallback* callback = nullptr, CWindowManagerUI* manager = nullptr,
                     CControlUI* parent = nullptr);

  CMarkupParser* GetMarkup() { return &m_xml; }
  LPCWSTR GetLastErrorMessage() const { return m_xml.GetLastErrorMessage(); }
  LPCWSTR GetLastErrorLocation() const { return m_xml.GetLastErrorLocation(); }

 private:
  // What one top-level build shares with the builders of its Includes.
  struct BuildState {
    std::vector<CUIString> sources;  // layouts being built, outermost first
    int controls = 0;
    std::set<std::wstring> unknownClasses;  // element names logged as unknown
  };

  bool LoadDocument(LPCWSTR xml, LPCWSTR type, CWindowManagerUI* manager);
  void RegisterResources(CMarkupElement& root, CWindowManagerUI* manager);
  CControlUI* ParseChildren(CMarkupElement& element, CControlUI* parent, CWindowManagerUI* manager, int depth);
  void BuildInclude(CMarkupElement& element, CControlUI* parent, CWindowManagerUI* manager, int depth);
  CControlUI* Build(IDialogBuilderCallback* callback, CWindowManagerUI* manager, CControlUI* parent, int depth);

  CMarkupParser m_xml;
  IDialogBuilderCallback* m_callback = nullptr;
  CUIString m_resourceType;
  bool m_fromResource = false;
  BuildState* m_state = nullptr;
  std::unique_ptr<BuildState> m_ownState;
};

}  // namespace SkinUI
