// Temporary directories and files for tests of file operations, and a guard
// that restores the process's current directory.
#pragma once

#include <windows.h>

#include <string>

namespace w32ktest {

// A fresh directory under the temporary directory, removed with everything
// in it when the object goes.
class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    // The directory's path, without a trailing '\'.
    const std::string& path() const { return path_; }
    // path() + "\" + name.
    std::string file(const std::string& name) const;
    // Creates (or replaces) the file name with the given contents; returns its path.
    std::string write(const std::string& name, const std::string& contents = {}) const;
    // Creates a subdirectory and returns its path.
    std::string subdirectory(const std::string& name) const;

private:
    std::string path_;
};

// Restores the current directory of the process on scope exit.
class CurrentDirectoryGuard {
public:
    CurrentDirectoryGuard();
    ~CurrentDirectoryGuard();
    CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
    CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;

private:
    std::string saved_;
};

// The process's current directory.
std::string currentDirectory();

} // namespace w32ktest
