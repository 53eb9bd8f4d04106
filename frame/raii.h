// Scoped owners for the Win32 resources the library touches: global blocks
// and their locks, device contexts, selected and owned GDI objects, the
// clipboard and loaded modules. Nothing here throws.
#pragma once

#include <windows.h>

#include <cstddef>
#include <utility>

namespace w32k {

// Owns a global memory block until release() hands it over.
class GlobalBlock {
public:
    GlobalBlock() noexcept = default;
    explicit GlobalBlock(HGLOBAL block) noexcept : block_(block) {}
    // GMEM_MOVEABLE | GMEM_ZEROINIT, the host blocks' flags.
    static GlobalBlock allocate(SIZE_T bytes, UINT flags = GHND) noexcept
    {
        return GlobalBlock(GlobalAlloc(flags, bytes));
    }
    ~GlobalBlock() { reset(); }
    GlobalBlock(GlobalBlock&& other) noexcept : block_(other.release()) {}
    GlobalBlock& operator=(GlobalBlock&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;

    HGLOBAL get() const noexcept { return block_; }
    explicit operator bool() const noexcept { return block_ != nullptr; }
    HGLOBAL release() noexcept { return std::exchange(block_, nullptr); }
    void reset(HGLOBAL block = nullptr) noexcept
    {
        if (block_ && block_ != block)
            GlobalFree(block_);
        block_ = block;
    }

private:
    HGLOBAL block_ = nullptr;
};

// Locks a global block for the lifetime of the guard.
template <typename T = std::byte>
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL block) noexcept
        : block_(block), data_(block ? static_cast<T*>(GlobalLock(block)) : nullptr)
    {
    }
    ~GlobalLockGuard()
    {
        if (data_)
            GlobalUnlock(block_);
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;

    T* get() const noexcept { return data_; }
    T* operator->() const noexcept { return data_; }
    T& operator[](std::size_t i) const noexcept { return data_[i]; }
    explicit operator bool() const noexcept { return data_ != nullptr; }
    // Size of the block in bytes (0 for none).
    SIZE_T size() const noexcept { return block_ ? GlobalSize(block_) : 0; }

private:
    HGLOBAL block_;
    T* data_;
};

// GetDC / ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
    ~WindowDC()
    {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const noexcept { return dc_; }
    operator HDC() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint / EndPaint.
class PaintDC {
public:
    explicit PaintDC(HWND window) noexcept : window_(window), dc_(BeginPaint(window, &ps_)) {}
    ~PaintDC() { EndPaint(window_, &ps_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const noexcept { return dc_; }
    operator HDC() const noexcept { return dc_; }
    const PAINTSTRUCT& paint() const noexcept { return ps_; }

private:
    HWND window_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// A memory DC compatible with another (DeleteDC on scope exit).
class MemoryDC {
public:
    explicit MemoryDC(HDC compatible) noexcept : dc_(CreateCompatibleDC(compatible)) {}
    ~MemoryDC()
    {
        if (dc_)
            DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC get() const noexcept { return dc_; }
    operator HDC() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HDC dc_;
};

// Selects a GDI object into a DC and restores the previous one on scope exit.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) noexcept
        : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr)
    {
    }
    ~SelectGuard()
    {
        if (previous_ && previous_ != HGDI_ERROR)
            SelectObject(dc_, previous_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    // False when the object could not be selected.
    bool selected() const noexcept { return previous_ && previous_ != HGDI_ERROR; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Owns a GDI object (pen, brush, bitmap, font, region) and deletes it.
template <typename Handle>
class GdiObject {
public:
    GdiObject() noexcept = default;
    explicit GdiObject(Handle handle) noexcept : handle_(handle) {}
    ~GdiObject() { reset(); }
    GdiObject(GdiObject&& other) noexcept : handle_(other.release()) {}
    GdiObject& operator=(GdiObject&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle get() const noexcept { return handle_; }
    operator Handle() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }
    Handle release() noexcept { return std::exchange(handle_, nullptr); }
    void reset(Handle handle = nullptr) noexcept
    {
        if (handle_ && handle_ != handle)
            DeleteObject(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

using Pen = GdiObject<HPEN>;
using Brush = GdiObject<HBRUSH>;
using Bitmap = GdiObject<HBITMAP>;
using Font = GdiObject<HFONT>;
using Region = GdiObject<HRGN>;

// OpenClipboard / CloseClipboard.
class ClipboardGuard {
public:
    explicit ClipboardGuard(HWND owner) noexcept : open_(OpenClipboard(owner) != FALSE) {}
    ~ClipboardGuard()
    {
        if (open_)
            CloseClipboard();
    }
    ClipboardGuard(const ClipboardGuard&) = delete;
    ClipboardGuard& operator=(const ClipboardGuard&) = delete;
    explicit operator bool() const noexcept { return open_; }

private:
    bool open_;
};

// A kernel file or device handle from CreateFileA (CloseHandle on scope exit).
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) noexcept : handle_(handle) {}
    ~FileHandle()
    {
        if (*this)
            CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const noexcept { return handle_; }
    explicit operator bool() const noexcept
    {
        return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

// LoadLibraryA / FreeLibrary.
class LoadedModule {
public:
    explicit LoadedModule(const char* name) noexcept : module_(LoadLibraryA(name)) {}
    ~LoadedModule()
    {
        if (module_)
            FreeLibrary(module_);
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    HMODULE get() const noexcept { return module_; }
    explicit operator bool() const noexcept { return module_ != nullptr; }

private:
    HMODULE module_;
};

} // namespace w32k
