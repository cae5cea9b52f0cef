// The builder's class table: markup element names (ignoring case) to the
// control classes that exist. Names without a class here are offered to
// the builder's callback and otherwise skipped.
#pragma once

#include "platform/Types.h"

namespace SkinUI {

class CControlUI;

// A new control of the named class, or null.
CControlUI* CreateControlByClass(LPCWSTR elementName);

}  // namespace SkinUI
