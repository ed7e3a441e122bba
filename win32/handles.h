// Owners for kernel handles, GDI objects, device contexts and selections: each
// releases what it holds in the scope that acquired it.
#pragma once

#include <windows.h>

#include <utility>

class ScopedHandle {
  public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE h) : h_(h) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    ScopedHandle& operator=(ScopedHandle&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    void Reset(HANDLE h = nullptr) {
        if (Valid()) CloseHandle(h_);
        h_ = h;
    }
    bool Valid() const { return h_ && h_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return h_; }

  private:
    HANDLE h_ = nullptr;
};

// Any GDI object made by Create*; deleted on destruction.
template <typename T> class GdiObject {
  public:
    GdiObject() = default;
    explicit GdiObject(T h) : h_(h) {}
    ~GdiObject() { Reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    GdiObject& operator=(GdiObject&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    void Reset(T h = nullptr) {
        if (h_) DeleteObject(h_);
        h_ = h;
    }
    T Get() const { return h_; }
    T Release() { return std::exchange(h_, nullptr); }
    explicit operator bool() const { return h_ != nullptr; }

  private:
    T h_ = nullptr;
};

// SelectObject for the life of a scope; the previous object is put back.
class SelectGuard {
  public:
    SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
    ~SelectGuard() {
        if (old_) SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// SelectPalette for the life of a scope.
class PaletteGuard {
  public:
    PaletteGuard(HDC dc, HPALETTE pal, BOOL background = FALSE)
        : dc_(dc), old_(pal ? SelectPalette(dc, pal, background) : nullptr) {
        if (pal) RealizePalette(dc);
    }
    ~PaletteGuard() {
        if (old_) SelectPalette(dc_, old_, TRUE);
    }
    PaletteGuard(const PaletteGuard&) = delete;
    PaletteGuard& operator=(const PaletteGuard&) = delete;

  private:
    HDC dc_;
    HPALETTE old_;
};

// GetDC / ReleaseDC.
class WindowDC {
  public:
    explicit WindowDC(HWND w) : w_(w), dc_(GetDC(w)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(w_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return dc_; }

  private:
    HWND w_;
    HDC dc_;
};

// CreateCompatibleDC / DeleteDC.
class MemoryDC {
  public:
    explicit MemoryDC(HDC like) : dc_(CreateCompatibleDC(like)) {}
    ~MemoryDC() {
        if (dc_) DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC Get() const { return dc_; }

  private:
    HDC dc_;
};

// LoadLibrary / FreeLibrary.
class ScopedLibrary {
  public:
    explicit ScopedLibrary(const char* name) : m_(LoadLibraryA(name)) {}
    ~ScopedLibrary() {
        if (m_) FreeLibrary(m_);
    }
    ScopedLibrary(const ScopedLibrary&) = delete;
    ScopedLibrary& operator=(const ScopedLibrary&) = delete;
    HMODULE Get() const { return m_; }
    template <typename F> F Find(const char* name) const {
        return m_ ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m_, name)))
                  : nullptr;
    }

  private:
    HMODULE m_;
};
