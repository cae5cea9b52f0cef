// The status strip's text while a line accelerates and the window shows:
// "已加速 · TCP 3 · UDP 2 · ↓ 8.4 MB ↑ 1.2 MB" (connections and
// associations open now, bytes carried down and up since the local proxy
// started).
#pragma once

#include "outside/local/StatusLine.h"

#include <string>

std::wstring StatusStripText(const ProxyStatus& status);
