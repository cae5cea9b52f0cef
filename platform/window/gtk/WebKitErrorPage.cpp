#include "platform/window/gtk/WebKitErrorPage.h"

#include <gio/gio.h>
#include <webkit2/webkit2.h>

#include <string_view>

// The page's text, made by the build from res/portal/load-failed.html.
extern const char kLoadFailedPageTemplate[];

namespace {

std::string Escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

// Replaces every {{name}} of the template with value.
void Fill(std::string& page, std::string_view name, const std::string& value) {
  const std::string mark = "{{" + std::string(name) + "}}";
  for (size_t at = page.find(mark); at != std::string::npos; at = page.find(mark, at + value.size()))
    page.replace(at, mark.size(), value);
}

bool IsWebAddress(const std::string& address) {
  const std::string_view a(address);
  return a.rfind("http://", 0) == 0 || a.rfind("https://", 0) == 0;
}

}  // namespace

std::string LoadFailedReason(const GError* error) {
  if (error != nullptr && error->domain == G_IO_ERROR) {
    switch (error->code) {
      case G_IO_ERROR_CONNECTION_REFUSED:
        return "门户服务器拒绝了连接，它可能正在维护。";
      case G_IO_ERROR_TIMED_OUT:
        return "连接门户服务器超时，请检查网络后重试。";
      case G_IO_ERROR_HOST_UNREACHABLE:
      case G_IO_ERROR_NETWORK_UNREACHABLE:
        return "网络不可达，请检查网络连接。";
      default:
        break;
    }
  }
  if (error != nullptr && error->domain == G_RESOLVER_ERROR) return "找不到门户服务器，请检查网络连接。";
  if (error != nullptr && error->domain == WEBKIT_NETWORK_ERROR && error->code == WEBKIT_NETWORK_ERROR_UNKNOWN_PROTOCOL)
    return "无法识别这个地址。";
  return "无法连接到门户服务器，请稍后重试。";
}

std::string LoadFailedPage(const std::string& address, const GError* error) {
  std::string page = kLoadFailedPageTemplate;
  const bool retry = IsWebAddress(address);
  Fill(page, "reason", Escaped(LoadFailedReason(error)));
  Fill(page, "retry", retry ? "" : "no-retry");
  Fill(page, "address", Escaped(retry ? address : std::string()));
  return page;
}
