#include "support/temp_files.h"
#include "support/test_support.h"

#include "frame/raii.h"

#include <atomic>

namespace w32ktest {

namespace {

void removeTree(const std::string& directory)
{
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = directory + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(directory.c_str());
}

} // namespace

TempDirectory::TempDirectory()
{
    static std::atomic<unsigned> counter{0};
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    std::string root(base);
    if (!root.empty() && root.back() == '\\')
        root.pop_back();
    for (;;) {
        path_ = root + "\\w32k" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(counter++);
        if (CreateDirectoryA(path_.c_str(), nullptr))
            break;
    }
}

TempDirectory::~TempDirectory()
{
    removeTree(path_);
}

std::string TempDirectory::write(const std::string& name, const std::string& contents) const
{
    const std::string path = file(name);
    const w32k::FileHandle handle(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (handle)
        WriteFile(handle.get(), contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    return path;
}

std::string TempDirectory::subdirectory(const std::string& name) const
{
    const std::string path = file(name);
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

ModuleCopy::ModuleCopy(const TempDirectory& dir, const std::string& fileName, const std::string& loadName,
                       const std::function<void(const std::string&)>& prepare)
{
    const std::string path = dir.file(fileName);
    if (!CopyFileA((exeDirectory() + "\\KorAbout.dll").c_str(), path.c_str(), FALSE))
        return;
    if (prepare)
        prepare(path);
    module_ = LoadLibraryA(dir.file(loadName.empty() ? fileName : loadName).c_str());
}

ModuleCopy::~ModuleCopy()
{
    if (module_)
        FreeLibrary(module_);
}

std::string currentDirectory()
{
    char path[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, path);
    return path;
}


} // namespace w32ktest
