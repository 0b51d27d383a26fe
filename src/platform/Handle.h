#pragma once
// One move-only owner for every kind of Win32 handle. The traits say how to close one and which
// value means "none" (INVALID_HANDLE_VALUE for files and snapshots, null for the rest).
#include <windows.h>
#include <wininet.h>

#include <utility>

namespace tess {

template <typename Traits>
class Unique {
public:
    using Type = typename Traits::Type;

    Unique() noexcept = default;
    explicit Unique(Type value) noexcept : value_(value) {}
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept : value_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~Unique() { reset(); }

    [[nodiscard]] Type get() const noexcept { return value_; }
    [[nodiscard]] bool valid() const noexcept { return value_ != Traits::none(); }
    explicit operator bool() const noexcept { return valid(); }

    Type release() noexcept { return std::exchange(value_, Traits::none()); }
    void reset(Type value = Traits::none()) noexcept {
        if (valid()) Traits::close(value_);
        value_ = value;
    }
    // For APIs that return the handle through an out parameter.
    Type* put() noexcept {
        reset();
        return &value_;
    }

private:
    Type value_ = Traits::none();
};

struct HandleTraits {  // events, mutexes, processes, threads, tokens
    using Type = HANDLE;
    static Type none() { return nullptr; }
    static void close(Type h) { ::CloseHandle(h); }
};
struct FileTraits {  // CreateFile and CreateToolhelp32Snapshot fail with INVALID_HANDLE_VALUE
    using Type = HANDLE;
    static Type none() { return INVALID_HANDLE_VALUE; }
    static void close(Type h) { ::CloseHandle(h); }
};
struct FindTraits {
    using Type = HANDLE;
    static Type none() { return INVALID_HANDLE_VALUE; }
    static void close(Type h) { ::FindClose(h); }
};
struct KeyTraits {
    using Type = HKEY;
    static Type none() { return nullptr; }
    static void close(Type h) { ::RegCloseKey(h); }
};
struct InternetTraits {
    using Type = HINTERNET;
    static Type none() { return nullptr; }
    static void close(Type h) { ::InternetCloseHandle(h); }
};
struct GdiTraits {
    using Type = HGDIOBJ;
    static Type none() { return nullptr; }
    static void close(Type h) { ::DeleteObject(h); }
};
struct WindowTraits {
    using Type = HWND;
    static Type none() { return nullptr; }
    static void close(Type h) { ::DestroyWindow(h); }
};
struct ModuleTraits {
    using Type = HMODULE;
    static Type none() { return nullptr; }
    static void close(Type h) { ::FreeLibrary(h); }
};
struct IconTraits {
    using Type = HICON;
    static Type none() { return nullptr; }
    static void close(Type h) { ::DestroyIcon(h); }
};
struct DcTraits {  // CreateCompatibleDC; a DC of GetDC goes back with WindowDc
    using Type = HDC;
    static Type none() { return nullptr; }
    static void close(Type h) { ::DeleteDC(h); }
};

using UniqueHandle = Unique<HandleTraits>;
using UniqueFile = Unique<FileTraits>;
using UniqueFind = Unique<FindTraits>;
using UniqueKey = Unique<KeyTraits>;
using UniqueInternet = Unique<InternetTraits>;
using UniqueGdi = Unique<GdiTraits>;
using UniqueWindow = Unique<WindowTraits>;
using UniqueModule = Unique<ModuleTraits>;
using UniqueIcon = Unique<IconTraits>;
using UniqueDc = Unique<DcTraits>;

// The DC of a window (null: the screen) from GetDC, released at the end of the scope.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    [[nodiscard]] HDC get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A GDI object selected into a DC for the scope; the one it replaced is selected back at the end,
// so declare it after the owner of the object (a selected object must not be deleted).
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(object ? ::SelectObject(dc, object) : nullptr) {}
    ~Selection() {
        if (old_) ::SelectObject(dc_, old_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace tess
