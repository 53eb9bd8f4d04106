// Temporary directories, copies of a test module in them, and a guard that
// restores the process's current directory.
#pragma once

#include <windows.h>

#include <functional>
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

    const std::string& path() const { return path_; } // without a trailing '\'
    std::string file(const std::string& name) const { return path_ + "\\" + name; }
    // Creates (or replaces) the file name with the given contents; returns its path.
    std::string write(const std::string& name, const std::string& contents = {}) const;
    // Creates a subdirectory and returns its path.
    std::string subdirectory(const std::string& name) const;

private:
    std::string path_;
};

// The resource-only KorAbout.dll copied to dir\fileName, changed by prepare
// (given the copy's path) and loaded as dir\loadName (fileName if empty).
class ModuleCopy {
public:
    ModuleCopy(const TempDirectory& dir, const std::string& fileName, const std::string& loadName = {},
               const std::function<void(const std::string&)>& prepare = {});
    ~ModuleCopy();
    ModuleCopy(const ModuleCopy&) = delete;
    ModuleCopy& operator=(const ModuleCopy&) = delete;
    HMODULE handle() const { return module_; }

private:
    HMODULE module_ = nullptr;
};

// The process's current directory.
std::string currentDirectory();

// Restores the current directory of the process on scope exit.
class CurrentDirectoryGuard {
public:
    CurrentDirectoryGuard() : saved_(currentDirectory()) {}
    ~CurrentDirectoryGuard() { SetCurrentDirectoryA(saved_.c_str()); }
    CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
    CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;

private:
    std::string saved_;
};

} // namespace w32ktest
