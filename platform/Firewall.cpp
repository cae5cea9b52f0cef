#include "platform/Firewall.h"

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/ComObject.h"
#include "platform/MachineRoot.h"
#include "platform/NativePath.h"

#include <sys/stat.h>

#include <atomic>
#include <mutex>
#include <new>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::mutex g_firewallLock;

std::string StorePath() { return MachinePath("firewall.txt"); }
// While this file exists the firewall service counts as stopped: its
// policy cannot be obtained.
std::string StoppedMarker() { return MachinePath("firewall.stopped"); }

struct Entry {
  bool enabled = true;
  std::wstring name;
  std::string path;  // native form
};

std::vector<Entry> LoadEntries() {
  std::string bytes;
  std::vector<Entry> entries;
  if (!ReadWholeFile(StorePath(), bytes, 16u * 1024 * 1024)) return entries;
  std::istringstream in(bytes);
  std::string line;
  while (std::getline(in, line)) {
    size_t t1 = line.find('\t');
    size_t t2 = t1 == std::string::npos ? std::string::npos : line.find('\t', t1 + 1);
    if (t2 == std::string::npos) continue;  // not an entry line
    Entry e;
    e.enabled = line.compare(0, t1, "1") == 0;
    e.name = Utf8ToWideString(line.substr(t1 + 1, t2 - t1 - 1));
    e.path = line.substr(t2 + 1);
    if (!e.path.empty()) entries.push_back(std::move(e));
  }
  return entries;
}

bool SaveEntries(const std::vector<Entry>& entries) {
  std::string text;
  for (const auto& e : entries) {
    std::string name = WideToUtf8String(e.name);
    for (auto& c : name)
      if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    text += (e.enabled ? "1\t" : "0\t") + name + "\t" + e.path + "\n";
  }
  return WriteFileAtomically(StorePath(), text);
}

bool ValidPath(const std::string& path) { return !path.empty() && path.find_first_of("\n\r") == std::string::npos; }

template <class Interface, const IID& kIid>
using RefCounted = ComObject<Interface, kIid>;

class Application final : public RefCounted<INetFwAuthorizedApplication, IID_INetFwAuthorizedApplication> {
 public:
  // listed: bound to the store entry of path (changes write through).
  Application(Entry entry, bool listed) : entry_(std::move(entry)), listed_(listed) {}

  HRESULT get_Name(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = SysAllocString(entry_.name.c_str());
    return S_OK;
  }
  HRESULT put_Name(const wchar_t* name) override {
    if (!name) return E_INVALIDARG;
    entry_.name = name;
    return listed_ ? WriteThrough() : S_OK;
  }
  HRESULT get_ProcessImageFileName(BSTR* path) override {
    if (!path) return E_POINTER;
    *path = SysAllocString(FromNativePath(entry_.path).c_str());
    return S_OK;
  }
  HRESULT put_ProcessImageFileName(const wchar_t* path) override {
    if (listed_) return E_ACCESSDENIED;  // the path is the entry's identity
    if (!path) return E_INVALIDARG;
    entry_.path = ToNativePath(path);
    return ValidPath(entry_.path) ? S_OK : E_INVALIDARG;
  }
  HRESULT get_Enabled(VARIANT_BOOL* enabled) override {
    if (!enabled) return E_POINTER;
    *enabled = entry_.enabled ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT put_Enabled(VARIANT_BOOL enabled) override {
    entry_.enabled = enabled != VARIANT_FALSE;
    return listed_ ? WriteThrough() : S_OK;
  }

  const Entry& entry() const { return entry_; }

 private:
  HRESULT WriteThrough() {
    std::lock_guard<std::mutex> guard(g_firewallLock);
    StoreFileLock fileLock(StorePath());
    auto entries = LoadEntries();
    for (auto& e : entries) {
      if (e.path == entry_.path) {
        e.enabled = entry_.enabled;
        e.name = entry_.name;
        return SaveEntries(entries) ? S_OK : E_ACCESSDENIED;
      }
    }
    return HRESULT_FILE_NOT_FOUND;  // removed meanwhile
  }

  Entry entry_;
  bool listed_;
};

class Applications final : public RefCounted<INetFwAuthorizedApplications, IID_INetFwAuthorizedApplications> {
 public:
  HRESULT get_Count(long* count) override {
    if (!count) return E_POINTER;
    std::lock_guard<std::mutex> guard(g_firewallLock);
    *count = static_cast<long>(LoadEntries().size());
    return S_OK;
  }
  HRESULT Item(const wchar_t* imagePath, INetFwAuthorizedApplication** app) override {
    if (!imagePath || !app) return E_POINTER;
    *app = nullptr;
    std::string path = ToNativePath(imagePath);
    std::lock_guard<std::mutex> guard(g_firewallLock);
    for (auto& e : LoadEntries()) {
      if (e.path == path) {
        *app = new (std::nothrow) Application(e, true);
        return *app ? S_OK : E_OUTOFMEMORY;
      }
    }
    return HRESULT_FILE_NOT_FOUND;
  }
  HRESULT Add(INetFwAuthorizedApplication* app) override {
    auto* ours = dynamic_cast<Application*>(app);
    if (!ours) return E_INVALIDARG;
    if (!ValidPath(ours->entry().path)) return E_INVALIDARG;
    std::lock_guard<std::mutex> guard(g_firewallLock);
    StoreFileLock fileLock(StorePath());
    auto entries = LoadEntries();
    bool replaced = false;
    for (auto& e : entries) {
      if (e.path == ours->entry().path) {
        e = ours->entry();  // adding a listed path updates its entry
        replaced = true;
      }
    }
    if (!replaced) entries.push_back(ours->entry());
    return SaveEntries(entries) ? S_OK : E_ACCESSDENIED;
  }
  HRESULT Remove(const wchar_t* imagePath) override {
    if (!imagePath) return E_POINTER;
    std::string path = ToNativePath(imagePath);
    std::lock_guard<std::mutex> guard(g_firewallLock);
    StoreFileLock fileLock(StorePath());
    auto entries = LoadEntries();
    auto before = entries.size();
    std::erase_if(entries, [&](const Entry& e) { return e.path == path; });
    if (entries.size() == before) return HRESULT_FILE_NOT_FOUND;
    return SaveEntries(entries) ? S_OK : E_ACCESSDENIED;
  }
};

class Profile final : public RefCounted<INetFwProfile, IID_INetFwProfile> {
 public:
  HRESULT get_AuthorizedApplications(INetFwAuthorizedApplications** apps) override {
    if (!apps) return E_POINTER;
    *apps = new (std::nothrow) Applications;
    return *apps ? S_OK : E_OUTOFMEMORY;
  }
};

class Policy final : public RefCounted<INetFwPolicy, IID_INetFwPolicy> {
 public:
  HRESULT get_CurrentProfile(INetFwProfile** profile) override {
    if (!profile) return E_POINTER;
    *profile = new (std::nothrow) Profile;
    return *profile ? S_OK : E_OUTOFMEMORY;
  }
};

class Manager final : public RefCounted<INetFwMgr, IID_INetFwMgr> {
 public:
  HRESULT get_LocalPolicy(INetFwPolicy** policy) override {
    if (!policy) return E_POINTER;
    *policy = nullptr;
    struct stat st{};
    if (::stat(StoppedMarker().c_str(), &st) == 0) return E_ACCESSDENIED;
    *policy = new (std::nothrow) Policy;
    return *policy ? S_OK : E_OUTOFMEMORY;
  }
};

}  // namespace

HRESULT CreateFirewallManager(INetFwMgr** result) {
  *result = new (std::nothrow) Manager;
  return *result ? S_OK : E_OUTOFMEMORY;
}

HRESULT CreateFirewallApplication(INetFwAuthorizedApplication** result) {
  *result = new (std::nothrow) Application(Entry{}, false);
  return *result ? S_OK : E_OUTOFMEMORY;
}
