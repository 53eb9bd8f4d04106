#include "support/comm_helpers.h"

#include <atomic>

namespace w32ktest {

namespace {

std::string tempDirectory()
{
    char path[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, path);
    return path;
}

std::string uniqueName(const char* prefix)
{
    static std::atomic<unsigned> counter{0};
    return tempDirectory() + prefix + std::to_string(GetCurrentProcessId()) + "_" +
           std::to_string(counter++);
}

void createFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

} // namespace

PortDevices::PortDevices(const std::array<PortState, 4>& states) : directory_(uniqueName("w32kports"))
{
    CreateDirectoryA(directory_.c_str(), nullptr);
    for (int port = 0; port < 4; ++port) {
        paths_[port] = directory_ + "\\port" + std::to_string(port + 1) + ".device";
        pointers_[port] = paths_[port].c_str();
        held_[port] = INVALID_HANDLE_VALUE;
        if (states[port] == PortState::Missing)
            continue;
        createFile(paths_[port]);
        if (states[port] == PortState::Busy)
            held_[port] = CreateFileA(paths_[port].c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
}

PortDevices::~PortDevices()
{
    for (int port = 0; port < 4; ++port) {
        if (held_[port] != INVALID_HANDLE_VALUE)
            CloseHandle(held_[port]);
        DeleteFileA(paths_[port].c_str());
    }
    RemoveDirectoryA(directory_.c_str());
}

bool opensExclusively(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

ScratchIni::ScratchIni() : path_(uniqueName("w32kcomm") + ".ini") {}

ScratchIni::~ScratchIni()
{
    clear();
}

void ScratchIni::write(const char* section, const char* key, const char* value) const
{
    WritePrivateProfileStringA(section, key, value, path_.c_str());
}

std::string ScratchIni::read(const char* section, const char* key) const
{
    char value[256] = {};
    GetPrivateProfileStringA(section, key, "<absent>", value, sizeof value, path_.c_str());
    return value;
}

void ScratchIni::clear() const
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str()); // flush the cache
    DeleteFileA(path_.c_str());
}

} // namespace w32ktest
