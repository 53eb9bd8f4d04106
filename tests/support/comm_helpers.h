// Helpers for the communication settings tests: stand-in device files for the
// four ports (never real port names) and a scratch INI file.
#pragma once

#include <windows.h>

#include <array>
#include <string>

namespace w32ktest {

// What a stand-in port device is while the test runs.
enum class PortState {
    Present, // a file that opens exclusively: available
    Missing, // no such file: unavailable
    Busy,    // a file held open without sharing: unavailable
};

// Four device names in a fresh temporary directory, one per port index. The
// names avoid the reserved device names (COM1.xxx would open a real port).
class PortDevices {
public:
    explicit PortDevices(const std::array<PortState, 4>& states);
    ~PortDevices();
    PortDevices(const PortDevices&) = delete;
    PortDevices& operator=(const PortDevices&) = delete;

    // The array of four names a host puts into its port settings record.
    const char* const* names() const { return pointers_.data(); }
    const std::string& name(int port) const { return paths_[port]; }

private:
    std::string directory_;
    std::array<std::string, 4> paths_;
    std::array<const char*, 4> pointers_{};
    std::array<HANDLE, 4> held_{};
};

// True when the file can be opened now without sharing (nobody holds it).
bool opensExclusively(const std::string& path);

// A uniquely named INI file in the temporary directory, deleted afterwards.
class ScratchIni {
public:
    ScratchIni();
    ~ScratchIni();
    ScratchIni(const ScratchIni&) = delete;
    ScratchIni& operator=(const ScratchIni&) = delete;

    const std::string& path() const { return path_; }
    void write(const char* section, const char* key, const char* value) const;
    // The value of a key, or "<absent>".
    std::string read(const char* section, const char* key) const;
    // Removes the file (and the profile cache's copy of it).
    void clear() const;

private:
    std::string path_;
};

} // namespace w32ktest
