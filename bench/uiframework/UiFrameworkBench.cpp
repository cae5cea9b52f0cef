// Prints the time to open the skin archive and extract every entry, to
// parse and build a 500-control layout, and to lay that tree out once at
// 900x600.
#include "platform/Resources.h"
#include "uiframework/archive/ZipArchive.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/markup/DialogBuilder.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace SkinUI;

namespace {

constexpr const char* kSkinPassword = "&%kR7pwz";

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// The embedded skin when the executable carries one, else a synthetic skin
// of 60 image-sized entries packed by the zip tool with the skin password.
std::string SkinArchive(std::string& origin) {
#ifdef BENCH_EMBEDDED_SKIN
  if (HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(102), L"ZIPRES")) {
    const void* data = LockResource(LoadResource(nullptr, resource));
    const DWORD size = SizeofResource(nullptr, resource);
    if (data != nullptr && size > 0) {
      origin = "embedded";
      return std::string(static_cast<const char*>(data), size);
    }
  }
#endif
  origin = "synthetic";
  const auto dir = std::filesystem::temp_directory_path() / ("bench_skin_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "content" / "btn");
  unsigned seed = 7;
  for (int i = 0; i < 60; ++i) {
    std::string bytes(20000, '\0');
    for (size_t k = 0; k < bytes.size(); ++k) {
      seed = seed * 1103515245u + 12345u;
      bytes[k] = static_cast<char>((k % 64 < 48) ? 0 : (seed >> 16));
    }
    std::ofstream(dir / "content" / "btn" / ("img" + std::to_string(i) + ".png"), std::ios::binary) << bytes;
  }
  std::ofstream(dir / "content" / "main.xml") << "<Window size=\"900,600\"><VerticalLayout/></Window>";
  const std::string command = "cd '" + (dir / "content").string() + "' && zip -q -r -X -P '" + kSkinPassword + "' '" +
                              (dir / "skin.zip").string() + "' .";
  std::string bytes;
  if (std::system(command.c_str()) == 0) {
    std::ifstream in(dir / "skin.zip", std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::filesystem::remove_all(dir);
  return bytes;
}

void BenchArchive() {
  std::string origin;
  const std::string zip = SkinArchive(origin);
  if (zip.empty()) {
    std::printf("skin archive: could not be made\n");
    return;
  }
  constexpr int kRuns = 20;
  int entries = 0;
  size_t total = 0;
  std::vector<char> buffer;
  const auto start = std::chrono::steady_clock::now();
  for (int run = 0; run < kRuns; ++run) {
    ZipArchive* archive = OpenArchiveMemory(zip.data(), static_cast<DWORD>(zip.size()), kSkinPassword);
    if (archive == nullptr) {
      std::printf("skin archive: does not open (0x%08X)\n", LastZipResult());
      return;
    }
    ZipEntry count;
    DescribeEntry(archive, -1, count);
    entries = count.index;
    total = 0;
    for (int i = 0; i < count.index; ++i) {
      ZipEntry entry;
      if (DescribeEntry(archive, i, entry) != ZipOk || entry.uncompressedSize == 0) continue;
      buffer.resize(entry.uncompressedSize);
      DWORD read = 0;
      if (ExtractToMemory(archive, i, buffer.data(), entry.uncompressedSize, &read) == ZipOk) total += read;
    }
    CloseArchive(archive);
  }
  const double ms = Milliseconds(std::chrono::steady_clock::now() - start) / kRuns;
  std::printf("skin archive (%s, %zu bytes): open + extract %d entries (%zu bytes): %.3f ms\n", origin.c_str(),
              zip.size(), entries, total, ms);
}

// 50 rows, each a horizontal layout with 8 controls and a nested box: 500
// controls with the root.
std::wstring Layout500() {
  std::wstring xml =
      L"<Window size=\"900,600\"><Default name=\"Control\" value=\"minwidth=&quot;4&quot;\"/>"
      L"<VerticalLayout name=\"root\" inset=\"4,4,4,4\" childpadding=\"2\" vscrollbar=\"true\">";
  int controls = 1;
  for (int row = 0; row < 50; ++row) {
    xml += L"<HorizontalLayout height=\"24\" childpadding=\"3\" childvalign=\"vcenter\">";
    for (int i = 0; i < 7; ++i)
      xml += i % 3 == 0 ? L"<Control width=\"40\" height=\"16\" bkcolor=\"#FF336699\"/>" : L"<Control/>";
    xml += L"<VBox width=\"60\"/>";
    xml += L"</HorizontalLayout>";
    controls += 9;
  }
  for (; controls < 500; ++controls) xml += L"<Control float=\"true\" pos=\"0,0,10,10\"/>";
  xml += L"</VerticalLayout></Window>";
  return xml;
}

void BenchBuildAndLayout() {
  const std::wstring xml = Layout500();
  constexpr int kBuilds = 50;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kBuilds; ++i) {
    CWindowManagerUI manager;
    CDialogBuilder builder;
    CControlUI* root = builder.Create(xml.c_str(), nullptr, nullptr, &manager);
    manager.AttachRoot(root);
  }
  const double buildMs = Milliseconds(std::chrono::steady_clock::now() - start) / kBuilds;

  CWindowManagerUI manager;
  CDialogBuilder builder;
  CControlUI* root = builder.Create(xml.c_str(), nullptr, nullptr, &manager);
  manager.AttachRoot(root);
  int count = 0;
  root->FindControl([](CControlUI*, void* n) -> CControlUI* { ++*static_cast<int*>(n); return nullptr; }, &count,
                    UIFIND_ALL);
  constexpr int kPasses = 500;
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < kPasses; ++i) root->SetPos(RECT{0, 0, 900, 600}, false);
  const double layoutMs = Milliseconds(std::chrono::steady_clock::now() - start) / kPasses;
  std::printf("markup: parse + build %d controls (manager, tree and attach included): %.3f ms\n", count, buildMs);
  std::printf("layout: one full pass of %d controls at 900x600: %.4f ms\n", count, layoutMs);
}

}  // namespace

int main() {
  BenchArchive();
  BenchBuildAndLayout();
  return 0;
}
