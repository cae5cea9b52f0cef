// File virtualisation for a program directory the user cannot write, the
// way Windows treats a program in a protected folder.
//
// The program keeps every file of its own beside its executable
// ("log2.log", "local.cfg", the downloaded documents, ...). Installed under
// a root-owned prefix, that directory is not writable by the players who
// run it. Then every write below it goes to the user's own copy in the
// store, <machine root>/VirtualStore/<program directory>/<name>, and every
// read looks there first. A file the store does not hold reads from the
// program directory itself; changing such a file (appending, a profile
// write) first copies it into the store.
//
// Executable images are never virtualised, as on Windows: a file named
// *.exe, *.dll, *.sys, *.so or *.so.N, or one that is executable in the
// program directory, always reads from the program directory, and writing
// it fails with ERROR_ACCESS_DENIED. So no copy of the user's can stand in
// for a program or library of the installation.
//
// A program directory the process can write (a build tree, a program run
// as root) is used as it is.
#pragma once

#include "platform/Types.h"

#include <string>
#include <vector>

enum class FileAccess {
  kRead,    // open for reading, attributes, listing
  kCreate,  // create or replace whole, make a directory
  kModify,  // change what is there (append, update in place)
  kRemove,  // delete a file or directory
};

class CVirtualStore {
 public:
  // programDirectory: absolute, the directory whose files are virtualised;
  // storeRoot: absolute, the store (the program directory's copy lies
  // below it at its full path). An empty programDirectory virtualises
  // nothing.
  CVirtualStore(std::string programDirectory, std::string storeRoot);

  // Where an operation on the native path goes: the path itself when it
  // lies outside the program directory; otherwise as described above. For
  // kCreate and kModify the store's directories up to the file are created;
  // kModify copies the program directory's file into the store when the
  // store holds none; kRemove names the store's copy (only the user's own
  // copy can be removed). Returns ERROR_SUCCESS, or the error the operation
  // fails with (ERROR_ACCESS_DENIED for an executable image,
  // ERROR_PATH_NOT_FOUND when the parent directory exists in neither place).
  DWORD Resolve(const std::string& native, FileAccess access, std::string& resolved) const;

  // The directories a listing of the native directory merges: the store's
  // copy first (its entries hide the program directory's of the same name),
  // then the directory itself. One entry for a path outside.
  std::vector<std::string> ListingDirectories(const std::string& nativeDirectory) const;

  // The store's path for a path inside the program directory; false
  // outside (and for the program directory itself).
  bool StorePath(const std::string& native, std::string& store) const;

 private:
  bool IsExecutableImage(const std::string& native) const;

  std::string programDirectory_;
  std::string storeRoot_;
};

// The process's store: its executable's directory when the process cannot
// write it, with the store below the machine root (MachineRoot.h).
// Evaluated per call for the store root (tests move BRISGOL_ROOT); the
// program directory is found once.
CVirtualStore ProgramVirtualStore();

// ProgramVirtualStore().Resolve(native, access, resolved).
DWORD ResolveProgramFile(const std::string& native, FileAccess access, std::string& resolved);
