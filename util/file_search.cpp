// FindFirst / FindNext / FileFindInterrupt: one file search at a time over
// the path's directory, the module's directory, the Windows directory and
// the system directory.
#include "frame/module.h"
#include "util/file_name_core.h"
#include "w32korutil1.h"

#include <cstring>
#include <memory>
#include <new>
#include <string_view>

namespace w32k {

namespace {

constexpr std::size_t kPathSize = MAX_PATH;
constexpr UINT kModeWord = 0xFFFF;
constexpr UINT kStepMask = 0x7FFF;

// The locations, in the order they are searched.
enum Step : UINT {
    kPathDirectory = 0,
    kModuleDirectory = 1,
    kWindowsDirectory = 2,
    kSystemDirectory = 3,
};

class SearchState {
public:
    HMODULE module = nullptr;
    DWORD reserved = 0;       // the host's third FindFirst value, kept
    UINT mode = 0;            // next step, and W32K_FIND_ONE_LOCATION
    char pathDirectory[kPathSize] = {};
    char pattern[kPathSize] = {};
    char searched[kPathSize] = {}; // location directory followed by the pattern
    WIN32_FIND_DATAA found{};

    SearchState() = default;
    ~SearchState() { closeHandle(); }
    SearchState(const SearchState&) = delete;
    SearchState& operator=(const SearchState&) = delete;

    bool oneLocation() const noexcept { return (mode & W32K_FIND_ONE_LOCATION) != 0; }
    bool open() const noexcept { return handle_ != INVALID_HANDLE_VALUE; }
    void closeHandle() noexcept
    {
        if (open())
            FindClose(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    // Starts the search of `searched`; true when it matched a file.
    bool findFirst() noexcept
    {
        closeHandle();
        handle_ = FindFirstFileA(searched, &found);
        return open();
    }
    bool findNext() noexcept { return open() && FindNextFileA(handle_, &found) != FALSE; }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

std::unique_ptr<SearchState> g_search;

// Appends a '\' to a directory that does not end in one; false when it does not fit.
bool terminateDirectory(char* directory, std::size_t length) noexcept
{
    if (length > 0 && directory[length - 1] == '\\')
        return true;
    if (length + 2 > kPathSize)
        return false;
    directory[length] = '\\';
    directory[length + 1] = '\0';
    return true;
}

// The directory of one step, ending in '\' or ':' (empty: the current
// directory); false when it cannot be had.
bool locationDirectory(const SearchState& state, UINT step, char (&directory)[kPathSize]) noexcept
{
    directory[0] = '\0';
    switch (step) {
    case kPathDirectory:
        std::memcpy(directory, state.pathDirectory, kPathSize);
        return true;
    case kModuleDirectory: {
        const DWORD length = GetModuleFileNameA(state.module, directory, kPathSize);
        if (length == 0 || length >= kPathSize)
            return false;
        directory[core::directoryLength(std::string_view(directory, length))] = '\0';
        return directory[0] != '\0';
    }
    case kWindowsDirectory:
    case kSystemDirectory: {
        const UINT length = step == kWindowsDirectory ? GetWindowsDirectoryA(directory, kPathSize)
                                                      : GetSystemDirectoryA(directory, kPathSize);
        return length > 0 && length < kPathSize && terminateDirectory(directory, length);
    }
    default:
        return false;
    }
}

// Searches the pattern in the location of one step.
bool searchLocation(SearchState& state, UINT step) noexcept
{
    char directory[kPathSize];
    if (!locationDirectory(state, step, directory))
        return false;
    const std::size_t directoryLength = std::strlen(directory);
    const std::size_t patternLength = std::strlen(state.pattern);
    if (directoryLength + patternLength + 1 > kPathSize)
        return false;
    if (directoryLength > 0)
        SetCurrentDirectoryA(directory);
    std::memcpy(state.searched, directory, directoryLength);
    std::memcpy(state.searched + directoryLength, state.pattern, patternLength + 1);
    return state.findFirst();
}

// The location stepper: searches from the stored step on until a location
// has a match; false when none has (or the one location allowed has none).
bool stepLocations(SearchState& state) noexcept
{
    state.closeHandle();
    for (;;) {
        const UINT step = state.mode & kStepMask;
        if (step > kSystemDirectory)
            return false;
        ++state.mode;
        if (searchLocation(state, step))
            return true;
        if (state.oneLocation())
            return false;
    }
}

// The next match: the next file of the location, then the next locations.
bool advance(SearchState& state) noexcept
{
    if (state.findNext())
        return true;
    if (state.oneLocation())
        return false;
    return stepLocations(state);
}

// Writes the current match, directory and name, into out (MAX_PATH bytes);
// a match whose full name would not fit is passed over.
bool deliverMatch(SearchState& state, char* out) noexcept
{
    for (;;) {
        const std::size_t directoryLength = core::directoryLength(state.searched);
        const std::size_t nameLength = strnlen(state.found.cFileName, MAX_PATH - 1);
        if (directoryLength + nameLength + 1 <= kPathSize) {
            std::memmove(out, state.searched, directoryLength);
            std::memcpy(out + directoryLength, state.found.cFileName, nameLength);
            out[directoryLength + nameLength] = '\0';
            return true;
        }
        if (!advance(state))
            return false;
    }
}

// Splits the host's path into the pattern and, in the modes that start with
// the path's directory, that directory.
void takePath(SearchState& state, const char* path, std::size_t length) noexcept
{
    std::size_t directoryLength = 0;
    if ((state.mode & kStepMask) == kPathDirectory)
        directoryLength = core::directoryLength(std::string_view(path, length));
    std::memcpy(state.pathDirectory, path, directoryLength);
    state.pathDirectory[directoryLength] = '\0';
    std::memcpy(state.pattern, path + directoryLength, length - directoryLength);
    state.pattern[length - directoryLength] = '\0';
}

} // namespace

} // namespace w32k

extern "C" {

int WINAPI FindFirst(HMODULE module, LPSTR path, DWORD reserved, UINT mode)
{
    using namespace w32k;
    FileFindInterrupt(); // one search at a time: the running one ends here
    if (!path)
        return 1;
    const std::size_t length = strnlen(path, kPathSize);
    if (length == kPathSize)
        return 1;
    std::unique_ptr<SearchState> state(new (std::nothrow) SearchState);
    if (!state)
        return 1;
    state->module = module ? module : moduleInstance();
    state->reserved = reserved;
    state->mode = mode & kModeWord;
    takePath(*state, path, length);
    if (!stepLocations(*state) || !deliverMatch(*state, path))
        return 1;
    g_search = std::move(state);
    return 0;
}

int WINAPI FindNext(LPSTR path)
{
    using namespace w32k;
    if (!g_search)
        return 1;
    if (!path || !advance(*g_search) || !deliverMatch(*g_search, path)) {
        g_search.reset();
        return 1;
    }
    return 0;
}

void WINAPI FileFindInterrupt(void)
{
    w32k::g_search.reset();
}

} // extern "C"
