#include "MainWnd/ProgramControls.h"

#include "MainWnd/ContainerExUI.h"

#include <cwchar>

SkinUI::CControlUI* CProgramControlsCallback::CreateControl(LPCWSTR className) {
  if (className != nullptr && std::wcscmp(className, L"ContainerEx") == 0) return new CContainerExUI;
  return nullptr;
}
