#include <sys/stat.h>
#include <unistd.h>

#include <cwctype>
#include <string>

#include "platform/Kernel.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"
#include "platform/Processes.h"
#include "platform/shell/ShellApi.h"

namespace {

HINSTANCE Result(INT_PTR code) { return reinterpret_cast<HINSTANCE>(code); }

bool IsOpenVerb(LPCWSTR operation) {
    if (operation == nullptr || *operation == 0) return true;
    const std::wstring verb = operation;
    return verb.size() == 4 && std::towlower(verb[0]) == L'o' && std::towlower(verb[1]) == L'p' &&
           std::towlower(verb[2]) == L'e' && std::towlower(verb[3]) == L'n';
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

// The scheme of an address ("http" of "http://..."), or empty when the text
// does not start with one. One letter before a colon is a drive, not a scheme.
std::wstring SchemeOf(const std::wstring& file) {
    const size_t colon = file.find(L':');
    if (colon == std::wstring::npos || colon < 2 || !std::iswalpha(file[0])) return L"";
    for (size_t i = 1; i < colon; ++i) {
        const wchar_t c = file[i];
        if (!(std::iswalnum(c) || c == L'+' || c == L'-' || c == L'.') || c > 0x7F) return L"";
    }
    return Lower(file.substr(0, colon));
}

// An absolute http(s) address with a host, nothing in it a browser would
// have to guess about: no blanks, controls, quotes or backslashes.
bool IsPlainWebAddress(const std::wstring& file, const std::wstring& scheme) {
    if (scheme != L"http" && scheme != L"https") return false;
    const size_t start = scheme.size() + 3;
    if (file.compare(scheme.size(), 3, L"://") != 0 || file.size() <= start) return false;
    if (file[start] == L'/' || file[start] == L'?' || file[start] == L'#') return false;
    for (wchar_t c : file) {
        if (c <= 0x20 || c == 0x7F || c == L'"' || c == L'\\' || c == L'<' || c == L'>' || c == L'`') return false;
    }
    return true;
}

// Starts program with the command-line text; the layer splits it into the
// argument vector and spawns the program directly.
INT_PTR Start(LPCWSTR program, std::wstring commandLine, LPCWSTR directory) {
    STARTUPINFOW startup;
    PROCESS_INFORMATION process;
    const LPCWSTR workDirectory = directory != nullptr && *directory != 0 ? directory : nullptr;
    if (!CreateProcessW(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, workDirectory, &startup,
                        &process)) {
        const DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED) return SE_ERR_ACCESSDENIED;
        if (error == ERROR_PATH_NOT_FOUND) return SE_ERR_PNF;
        return program == nullptr ? SE_ERR_NOASSOC : SE_ERR_FNF;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return kShellExecuteDone;
}

INT_PTR OpenAddress(const std::wstring& address, LPCWSTR parameters) {
    if (parameters != nullptr && *parameters != 0) return SE_ERR_NOASSOC;
    // The address holds no blank or quote, so it stays one argument.
    return Start(nullptr, L"xdg-open " + address, nullptr);
}

INT_PTR OpenPath(const std::wstring& file, LPCWSTR parameters, LPCWSTR directory) {
    const std::string native = ToNativePath(file);
    if (native.empty() || native[0] != '/') return SE_ERR_FNF;  // no search of relative names
    struct stat info;
    if (::stat(native.c_str(), &info) != 0) return SE_ERR_FNF;
    // Documents and folders would need the desktop's file associations.
    if (!S_ISREG(info.st_mode) || ::access(native.c_str(), X_OK) != 0) return SE_ERR_NOASSOC;
    return Start(file.c_str(), parameters != nullptr ? parameters : L"", directory);
}

}  // namespace

HINSTANCE ShellExecuteW(HWND, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, INT) {
    if (file == nullptr || *file == 0) return Result(SE_ERR_FNF);
    if (!IsOpenVerb(operation)) return Result(SE_ERR_NOASSOC);
    const std::wstring target = file;
    const std::wstring scheme = SchemeOf(target);
    if (!scheme.empty()) {
        return Result(IsPlainWebAddress(target, scheme) ? OpenAddress(target, parameters) : SE_ERR_NOASSOC);
    }
    return Result(OpenPath(target, parameters, directory));
}
