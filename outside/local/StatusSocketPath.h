// Where the local proxy's status interface lives: a Unix stream socket,
// "local.sock", in a folder of the user's own that only the user can
// enter: "$XDG_RUNTIME_DIR/brisgol", or "/tmp/brisgol-UID" where the
// session gives no runtime directory.
//
// A folder in /tmp may have been made by someone else first; it is used
// only when it is a real folder (not a link), owned by the user and closed
// to everybody else. The proxy creates the folder; readers only check it.
#pragma once

#include <sys/types.h>

#include <string>

// The folder for uid, given the value of XDG_RUNTIME_DIR (null or empty:
// unset). A runtime directory that is not an absolute path is ignored.
std::string StatusDirectory(uid_t uid, const char* runtimeDirectory);
// The folder for the calling user and environment.
std::string StatusDirectory();
// The socket in the folder.
std::string StatusSocketPath(const std::string& directory);

// Creates the folder (mode 0700) unless it exists, then checks it as
// CheckStatusDirectory does. False with the reason in error.
bool PrepareStatusDirectory(const std::string& directory, uid_t uid, std::string& error);
// Whether the folder is a folder (not a link), owned by uid and open to
// nobody else. False with the reason in error.
bool CheckStatusDirectory(const std::string& directory, uid_t uid, std::string& error);
