#include "platform/LastError.h"
#include "platform/ProcessObject.h"
#include "platform/Processes.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

PipeObject::~PipeObject() {
  if (fd_ >= 0) ::close(fd_);
}

BOOL CreatePipe(HANDLE* readPipe, HANDLE* writePipe, SECURITY_ATTRIBUTES*, DWORD) {
  if (!readPipe || !writePipe) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    SetLastError(Win32ErrorFromErrno(errno));
    return FALSE;
  }
  *readPipe = new PipeObject(fds[0]);
  *writePipe = new PipeObject(fds[1]);
  return TRUE;
}

BOOL PeekNamedPipe(HANDLE pipe, void*, DWORD, DWORD* bytesRead, DWORD* totalBytesAvail, DWORD* bytesLeft) {
  auto* p = HandleAs<PipeObject>(pipe);
  if (!p) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  int available = 0;
  if (::ioctl(p->fd(), FIONREAD, &available) != 0) {
    SetLastError(Win32ErrorFromErrno(errno));
    return FALSE;
  }
  if (bytesRead) *bytesRead = 0;
  if (totalBytesAvail) *totalBytesAvail = static_cast<DWORD>(available);
  if (bytesLeft) *bytesLeft = 0;
  return TRUE;
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD bytesToRead, DWORD* bytesRead, void*) {
  auto* p = HandleAs<PipeObject>(file);
  if (bytesRead) *bytesRead = 0;
  if (!p || (!buffer && bytesToRead)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  ssize_t n;
  do {
    n = ::read(p->fd(), buffer, bytesToRead);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    SetLastError(Win32ErrorFromErrno(errno));
    return FALSE;
  }
  if (n == 0 && bytesToRead > 0) {
    SetLastError(ERROR_BROKEN_PIPE);  // every writer has closed its end
    return FALSE;
  }
  if (bytesRead) *bytesRead = static_cast<DWORD>(n);
  return TRUE;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten, void*) {
  auto* p = HandleAs<PipeObject>(file);
  if (bytesWritten) *bytesWritten = 0;
  if (!p || (!buffer && bytesToWrite)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  ssize_t n;
  do {
    n = ::write(p->fd(), buffer, bytesToWrite);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    SetLastError(Win32ErrorFromErrno(errno));
    return FALSE;
  }
  if (bytesWritten) *bytesWritten = static_cast<DWORD>(n);
  return TRUE;
}
