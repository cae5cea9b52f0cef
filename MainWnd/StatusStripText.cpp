#include "MainWnd/StatusStripText.h"

#include "outside/local/StatusBytes.h"

namespace {

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

}  // namespace

std::wstring StatusStripText(const ProxyStatus& status) {
  return L"已加速 · TCP " + std::to_wstring(status.tcpConnections) + L" · UDP " +
         std::to_wstring(status.udpAssociations) + L" · ↓ " + Wide(StatusByteText(status.bytesDown)) + L" ↑ " +
         Wide(StatusByteText(status.bytesUp));
}
