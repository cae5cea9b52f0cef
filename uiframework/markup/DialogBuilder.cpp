#include "uiframework/markup/DialogBuilder.h"

#include "platform/Resources.h"
#include "uiframework/controls/AttributeValues.h"
#include "uiframework/layout/ContainerUI.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/markup/ControlClassTable.h"
#include "system/WriteLogFile.h"

#include <cwchar>
#include <string>

namespace SkinUI {

namespace {

bool NameIs(LPCWSTR name, LPCWSTR wanted) { return CUIString(name).CompareNoCase(wanted) == 0; }
bool IsTrue(LPCWSTR value) { return NameIs(value, L"true"); }

bool IsResourceDeclaration(LPCWSTR name) {
  return NameIs(name, L"Image") || NameIs(name, L"Font") || NameIs(name, L"Default") || NameIs(name, L"MultiLanguage");
}

}  // namespace

CDialogBuilder::CDialogBuilder() = default;
CDialogBuilder::~CDialogBuilder() = default;

bool CDialogBuilder::LoadDocument(LPCWSTR xml, LPCWSTR type, CWindowManagerUI* manager) {
  m_fromResource = false;
  m_resourceType.Empty();
  if (xml != nullptr && IS_INTRESOURCE(xml)) {
    HMODULE module = manager != nullptr ? manager->ResourceModule() : CResourceSettingsUI::ResourceModule();
    HRSRC resource = FindResourceW(module, xml, type);
    if (resource == nullptr) return false;
    HGLOBAL data = LoadResource(module, resource);
    const void* bytes = data == nullptr ? nullptr : LockResource(data);
    if (bytes == nullptr) return false;
    m_fromResource = true;
    if (type != nullptr && !IS_INTRESOURCE(type)) m_resourceType = type;
    return m_xml.LoadFromMem(static_cast<const BYTE*>(bytes), SizeofResource(module, resource));
  }
  if (xml != nullptr && *xml == L'<') return m_xml.Load(xml);
  return m_xml.LoadFromFile(xml);
}

CControlUI* CDialogBuilder::Create(LPCWSTR xml, LPCWSTR type, IDialogBuilderCallback* callback,
                                   CWindowManagerUI* manager, CControlUI* parent) {
  if (!LoadDocument(xml, type, manager)) return nullptr;
  if (m_state == nullptr || m_ownState) {
    // A top-level build: its own layout is the first one of the chain.
    m_ownState = std::make_unique<BuildState>();
    m_state = m_ownState.get();
    CUIString source;
    if (IS_INTRESOURCE(xml)) source.Format(L"%d", static_cast<int>(reinterpret_cast<std::uintptr_t>(xml)));
    else if (*xml != L'<') source = xml;
    if (!source.IsEmpty()) m_state->sources.push_back(source);
  }
  return Create(callback, manager, parent);
}

CControlUI* CDialogBuilder::Create(IDialogBuilderCallback* callback, CWindowManagerUI* manager, CControlUI* parent) {
  return Build(callback, manager, parent, 0);
}

CControlUI* CDialogBuilder::Build(IDialogBuilderCallback* callback, CWindowManagerUI* manager, CControlUI* parent,
                                  int depth) {
  m_callback = callback;
  if (m_state == nullptr) {
    m_ownState = std::make_unique<BuildState>();
    m_state = m_ownState.get();
  }
  if (m_ownState) {
    m_ownState->controls = 0;
    m_ownState->unknownClasses.clear();
  }
  CMarkupElement root = m_xml.GetRoot();
  if (!root.IsValid()) return nullptr;
  if (manager != nullptr) {
    RegisterResources(root, manager);
    if (NameIs(root.GetName(), L"Window")) {
      for (int i = 0; i < root.GetAttributeCount(); ++i)
        manager->SetWindowAttribute(root.GetAttributeName(i), root.GetAttributeValue(i));
    }
  }
  return ParseChildren(root, parent, manager, depth + 1);
}

void CDialogBuilder::RegisterResources(CMarkupElement& root, CWindowManagerUI* manager) {
  for (CMarkupElement node = root.GetChild(); node.IsValid(); node = node.GetSibling()) {
    LPCWSTR element = node.GetName();
    if (!IsResourceDeclaration(element)) continue;
    // Attribute names here ignore case.
    auto value = [&](LPCWSTR wanted) -> LPCWSTR {
      for (int i = 0; i < node.GetAttributeCount(); ++i)
        if (NameIs(node.GetAttributeName(i), wanted)) return node.GetAttributeValue(i);
      return nullptr;
    };
    if (NameIs(element, L"Image")) {
      LPCWSTR name = value(L"name");
      if (name == nullptr || *name == 0) continue;
      LPCWSTR type = value(L"restype");
      const DWORD mask = value(L"mask") != nullptr ? ParseColor(value(L"mask")) : 0;
      // "shared" asks for the colour adjustment; the image goes to the
      // window's own table.
      manager->AddImage(name, type, mask, IsTrue(value(L"shared")), false);
    } else if (NameIs(element, L"Font")) {
      const int id = value(L"id") != nullptr ? ParseInt(value(L"id")) : -1;
      LPCWSTR face = value(L"name");
      const int size = value(L"size") != nullptr ? ParseInt(value(L"size")) : 12;
      const bool bold = IsTrue(value(L"bold"));
      const bool underline = IsTrue(value(L"underline"));
      const bool italic = IsTrue(value(L"italic"));
      const bool strikeout = IsTrue(value(L"strikeout"));
      const bool shared = IsTrue(value(L"shared"));
      if (id < 0 || face == nullptr || *face == 0) continue;
      manager->AddFont(id, face, size, bold, underline, italic, strikeout, shared);
      if (IsTrue(value(L"default")))
        manager->SetDefaultFont(face, size, bold, underline, italic, strikeout, shared);
    } else if (NameIs(element, L"Default")) {
      LPCWSTR name = value(L"name");
      if (name == nullptr || *name == 0) continue;
      LPCWSTR list = value(L"value");
      manager->AddDefaultAttributeList(name, list == nullptr ? L"" : list, IsTrue(value(L"shared")));
    } else {
      const int id = value(L"id") != nullptr ? ParseInt(value(L"id")) : -1;
      LPCWSTR text = value(L"value");
      if (id >= 0 && text != nullptr) CResourceSettingsUI::AddLanguageString(id, text);
    }
  }
}

void CDialogBuilder::BuildInclude(CMarkupElement& element, CControlUI* parent, CWindowManagerUI* manager,
                                  int depth) {
  // Without a parent the included controls would belong to nothing.
  if (parent == nullptr || !element.HasAttributes()) return;
  wchar_t buffer[kIncludeValueChars] = {};
  int count = 1;
  if (element.GetAttributeValue(L"count", buffer, kIncludeValueChars)) count = ParseInt(buffer);
  if (count > kMaxIncludeCount) count = kMaxIncludeCount;
  if (!element.GetAttributeValue(L"source", buffer, kIncludeValueChars) || buffer[0] == 0) return;
  const CUIString source(buffer);
  for (const CUIString& active : m_state->sources)
    if (active == source) return;  // an Include cycle
  CDialogBuilder nested;
  nested.m_state = m_state;
  m_state->sources.push_back(source);
  for (int i = 0; i < count && m_state->controls < kMaxControls; ++i) {
    if (i == 0) {
      bool loaded;
      if (m_fromResource) {
        const CUIString type = m_resourceType;
        loaded = nested.LoadDocument(MAKEINTRESOURCEW(ParseInt(source)), type.IsEmpty() ? nullptr : type.GetData(),
                                     manager);
      } else {
        loaded = nested.LoadDocument(source, nullptr, manager);
      }
      if (!loaded) break;
    }
    nested.Build(m_callback, manager, parent, depth);
  }
  m_state->sources.pop_back();
}

CControlUI* CDialogBuilder::ParseChildren(CMarkupElement& element, CControlUI* parent, CWindowManagerUI* manager,
                                          int depth) {
  if (depth > kMaxDepth) return nullptr;
  IContainerUI* container = nullptr;
  if (parent != nullptr) {
    container = static_cast<IContainerUI*>(parent->FindInterface(L"IContainer"));
    if (container == nullptr) return nullptr;
  }
  CControlUI* first = nullptr;
  for (CMarkupElement node = element.GetChild(); node.IsValid(); node = node.GetSibling()) {
    LPCWSTR className = node.GetName();
    if (IsResourceDeclaration(className)) continue;
    if (NameIs(className, L"Include")) {
      BuildInclude(node, parent, manager, depth + 1);
      continue;
    }
    if (m_state->controls >= kMaxControls) break;
    // Without a parent only the first control is handed out; further
    // top-level elements would belong to nothing.
    if (parent == nullptr && first != nullptr) break;
    CControlUI* control = CreateControlByClass(className);
    if (control == nullptr && m_callback != nullptr) control = m_callback->CreateControl(className);
    if (control == nullptr) {
      // Told once per name and build: the element and everything inside
      // it are left out, which a layout's author would not see otherwise.
      if (m_state->unknownClasses.insert(className).second)
        g_logFile.WriteFormat(__FILE__, __LINE__, L"界面布局的控件类 %s 未知，该元素及其内容未创建", className);
      continue;
    }
    ++m_state->controls;

    if (node.HasChildren()) ParseChildren(node, control, manager, depth + 1);

    if (parent != nullptr) {
      LPCWSTR cover = node.GetAttributeValue(L"cover");
      if (cover != nullptr && std::wcscmp(cover, L"true") == 0) {
        parent->SetCover(control);
      } else if (!container->Add(control)) {
        control->Delete();
        continue;
      }
    }
    if (manager != nullptr) {
      // Attribute handlers reach fonts and images through the manager.
      CWindowManagerUI* previousManager = control->GetManager();
      CControlUI* previousParent = control->GetParent();
      control->AttachManager(manager, previousParent, false);
      if (LPCWSTR defaults = manager->GetDefaultAttributeList(className)) control->ApplyAttributes(defaults);
      for (int i = 0; i < node.GetAttributeCount(); ++i)
        control->SetAttribute(node.GetAttributeName(i), node.GetAttributeValue(i));
      control->AttachManager(previousManager, previousParent, false);
    } else {
      for (int i = 0; i < node.GetAttributeCount(); ++i)
        control->SetAttribute(node.GetAttributeName(i), node.GetAttributeValue(i));
    }
    if (first == nullptr) first = control;
  }
  return first;
}

}  // namespace SkinUI
