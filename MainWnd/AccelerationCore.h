// The acceleration core as the main window reaches it: ControlManager,
// obtained on first use.
#pragma once

#include "MainWnd/MainWndSeams.h"

class CControlManagerCore : public IAccelerationCore {
 public:
  void Stop() override;
  void StopIfObtained() override;

 private:
  bool m_obtained = false;
};
