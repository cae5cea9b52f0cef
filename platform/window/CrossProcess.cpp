// Windows of other processes: a registry of live top-level windows under
// the machine root, and a datagram socket per process through which posts
// and the raising requests (ShowWindow, SetWindowPos) reach the owner.
//
// Every top-level window is listed, owned ones (message boxes, tooltips)
// as well: FindWindow looks at all top-level windows, whoever owns them.
// Registry entry: the file "windows/<pid>-<handle in hex>" holding the
// class name and the title, one per line, in UTF-8. The socket of a
// process is the abstract local socket "brisgol-windows-<pid>". A request
// arriving there is carried out in the owner process exactly as a call
// from one of its own threads would be: posts go to the window's queue,
// ShowWindow and SetWindowPos run on the window's thread the next time it
// reads its queue. Entries of processes that no longer answer are removed
// by the first search that meets them.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/MachineRoot.h"
#include "platform/window/WindowState.h"

using namespace windowing;

namespace {

constexpr std::uint32_t kMagic = 0x4E574742;  // "BGWN"
constexpr std::uintptr_t kRemoteTag = std::uintptr_t{1} << 62;

enum class Op : std::uint32_t { Post = 1, Show = 2, SetPos = 3 };

struct Request {
    std::uint32_t magic = kMagic;
    Op op = Op::Post;
    std::uint64_t handle = 0;
    std::uint32_t message = 0;
    std::int32_t command = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
    std::int32_t x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t flags = 0;
    std::int32_t insertAfter = 0;  // HWND_TOP, _BOTTOM, _TOPMOST or _NOTOPMOST as 0, 1, -1, -2
};

pid_t OwnPid() { return ::getpid(); }

sockaddr_un SocketAddress(pid_t pid, socklen_t& length) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string name = "brisgol-windows-" + std::to_string(pid);
    std::memcpy(address.sun_path + 1, name.data(), name.size());  // abstract: leading zero byte
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    return address;
}

std::filesystem::path RegistryDir() { return std::filesystem::path(MachinePath("windows")); }

std::string EntryName(pid_t pid, std::uintptr_t handle) {
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%d-%lx", static_cast<int>(pid), static_cast<unsigned long>(handle));
    return buffer;
}

HWND RemoteHandle(pid_t pid, std::uintptr_t local) {
    return reinterpret_cast<HWND>(kRemoteTag | (static_cast<std::uintptr_t>(pid) << 32) | (local & 0xFFFFFFFFu));
}

bool DecodeRemote(HWND hwnd, pid_t& pid, std::uintptr_t& local) {
    const auto value = reinterpret_cast<std::uintptr_t>(hwnd);
    if ((value >> 62) != 1) return false;
    pid = static_cast<pid_t>((value >> 32) & 0x3FFFFFFF);
    local = value & 0xFFFFFFFFu;
    return pid != OwnPid();
}

HWND SpecialInsertAfter(std::int32_t code) {
    switch (code) {
        case 1: return HWND_BOTTOM;
        case -1: return HWND_TOPMOST;
        case -2: return HWND_NOTOPMOST;
        default: return HWND_TOP;
    }
}

// Carries out a request for one of this process's registered windows.
void Execute(const Request& request) {
    const HWND hwnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(request.handle));
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr || !w->registered) return;
    }
    switch (request.op) {
        case Op::Post:
            PostMessageW(hwnd, request.message, static_cast<WPARAM>(request.wParam),
                         static_cast<LPARAM>(request.lParam));
            break;
        case Op::Show:
            QueueCall(hwnd, [hwnd, command = request.command] { ShowWindow(hwnd, command); });
            break;
        case Op::SetPos: {
            const HWND after = SpecialInsertAfter(request.insertAfter);
            QueueCall(hwnd, [hwnd, after, request] {
                SetWindowPos(hwnd, after, request.x, request.y, request.cx, request.cy, request.flags);
            });
            break;
        }
    }
}

class Listener {
 public:
    ~Listener() { Stop(); }

    void EnsureStarted() {
        std::lock_guard guard(lock_);
        if (thread_.joinable()) return;
        socket_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (socket_ < 0) return;
        socklen_t length;
        sockaddr_un address = SocketAddress(OwnPid(), length);
        if (::bind(socket_, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::pipe2(stop_, O_CLOEXEC) != 0) {
            ::close(socket_);
            socket_ = -1;
            return;
        }
        thread_ = std::thread([this] { Run(); });
    }

 private:
    void Stop() {
        std::lock_guard guard(lock_);
        if (!thread_.joinable()) return;
        const char byte = 0;
        [[maybe_unused]] ssize_t written = ::write(stop_[1], &byte, 1);
        thread_.join();
        ::close(socket_);
        ::close(stop_[0]);
        ::close(stop_[1]);
    }

    void Run() {
        for (;;) {
            pollfd fds[2] = {{socket_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[1].revents != 0) return;
            Request request;
            const ssize_t got = ::recv(socket_, &request, sizeof(request), MSG_DONTWAIT);
            if (got == static_cast<ssize_t>(sizeof(request)) && request.magic == kMagic) Execute(request);
        }
    }

    std::mutex lock_;
    std::thread thread_;
    int socket_ = -1;
    int stop_[2] = {-1, -1};
};

Listener& TheListener() {
    static Listener listener;
    return listener;
}

bool Send(pid_t pid, const Request& request) {
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    socklen_t length;
    sockaddr_un address = SocketAddress(pid, length);
    const ssize_t sent =
        ::sendto(fd, &request, sizeof(request), 0, reinterpret_cast<sockaddr*>(&address), length);
    ::close(fd);
    return sent == static_cast<ssize_t>(sizeof(request));
}

// Whether a process still answers on its socket.
bool Answers(pid_t pid) {
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    socklen_t length;
    sockaddr_un address = SocketAddress(pid, length);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
    ::close(fd);
    return ok;
}

void WriteEntry(HWND hwnd) {
    std::wstring cls;
    std::wstring title;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr) return;
        cls = w->cls->name;
        title = w->title;
    }
    std::error_code ec;
    std::filesystem::create_directories(RegistryDir(), ec);
    const auto path = RegistryDir() / EntryName(OwnPid(), reinterpret_cast<std::uintptr_t>(hwnd));
    WriteFileAtomically(path.string(), WideToUtf8String(cls) + "\n" + WideToUtf8String(title) + "\n");
}

}  // namespace

namespace windowing {

void RegistryAdd(HWND hwnd) {
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr) return;
        w->registered = true;
    }
    TheListener().EnsureStarted();
    WriteEntry(hwnd);
}

void RegistryUpdate(HWND hwnd) { WriteEntry(hwnd); }

void RegistryRemove(HWND hwnd) {
    std::error_code ec;
    std::filesystem::remove(RegistryDir() / EntryName(OwnPid(), reinterpret_cast<std::uintptr_t>(hwnd)), ec);
}

HWND RegistryFind(LPCWSTR className, LPCWSTR windowName) {
    std::error_code ec;
    std::filesystem::directory_iterator it(RegistryDir(), ec);
    if (ec) return nullptr;
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        int pid = 0;
        unsigned long handle = 0;
        if (std::sscanf(name.c_str(), "%d-%lx", &pid, &handle) != 2 || pid <= 0 || pid == OwnPid()) continue;
        if (EntryName(pid, handle) != name) continue;  // temporary files of atomic writes
        if (!Answers(pid)) {
            if (::kill(pid, 0) != 0 && errno == ESRCH) std::filesystem::remove(entry.path(), ec);
            continue;
        }
        std::string bytes;
        if (!ReadWholeFile(entry.path().string(), bytes, 64 * 1024)) continue;
        const size_t first = bytes.find('\n');
        if (first == std::string::npos) continue;
        const size_t second = bytes.find('\n', first + 1);
        const std::wstring cls = Utf8ToWideString(bytes.substr(0, first));
        const std::wstring title =
            Utf8ToWideString(bytes.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1));
        if (className != nullptr && !SameClassName(cls, className)) continue;
        if (windowName != nullptr && title != windowName) continue;
        return RemoteHandle(pid, handle);
    }
    return nullptr;
}

bool IsRemoteHandle(HWND hwnd) {
    pid_t pid;
    std::uintptr_t local;
    return DecodeRemote(hwnd, pid, local);
}

bool RemoteExists(HWND hwnd) {
    pid_t pid;
    std::uintptr_t local;
    if (!DecodeRemote(hwnd, pid, local)) return false;
    std::error_code ec;
    return std::filesystem::exists(RegistryDir() / EntryName(pid, local), ec) && Answers(pid);
}

BOOL RemotePost(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    pid_t pid;
    std::uintptr_t local;
    if (!DecodeRemote(hwnd, pid, local)) return FALSE;
    Request request;
    request.op = Op::Post;
    request.handle = local;
    request.message = message;
    request.wParam = wParam;
    request.lParam = lParam;
    return Send(pid, request) ? TRUE : FALSE;
}

BOOL RemoteShow(HWND hwnd, int command) {
    pid_t pid;
    std::uintptr_t local;
    if (!DecodeRemote(hwnd, pid, local)) return FALSE;
    Request request;
    request.op = Op::Show;
    request.handle = local;
    request.command = command;
    // The previous visibility of a remote window is not known here.
    Send(pid, request);
    return FALSE;
}

BOOL RemoteSetPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    pid_t pid;
    std::uintptr_t local;
    if (!DecodeRemote(hwnd, pid, local)) return FALSE;
    Request request;
    request.op = Op::SetPos;
    request.handle = local;
    request.x = x;
    request.y = y;
    request.cx = cx;
    request.cy = cy;
    request.flags = flags;
    if (insertAfter == HWND_BOTTOM) {
        request.insertAfter = 1;
    } else if (insertAfter == HWND_TOPMOST) {
        request.insertAfter = -1;
    } else if (insertAfter == HWND_NOTOPMOST) {
        request.insertAfter = -2;
    } else if (insertAfter != HWND_TOP) {
        request.flags |= SWP_NOZORDER;  // a window of another process cannot be named
    }
    return Send(pid, request) ? TRUE : FALSE;
}

}  // namespace windowing

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        for (HWND h : sys.topLevel) {
            WindowRecord* w = Find(h);
            if (w == nullptr || w->destroying) continue;
            if (className != nullptr && !SameClassName(w->cls->name, className)) continue;
            if (windowName != nullptr && w->title != windowName) continue;
            return h;
        }
    }
    return RegistryFind(className, windowName);
}
