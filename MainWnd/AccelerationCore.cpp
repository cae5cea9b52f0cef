#include "MainWnd/AccelerationCore.h"

#include "tkCore/ControlManager.h"

void CControlManagerCore::Stop() {
  m_obtained = true;
  ControlManager::GetInstance()->StopAcceleration();
}

void CControlManagerCore::StopIfObtained() {
  if (m_obtained) ControlManager::GetInstance()->StopAcceleration();
}
