// Owners of GDI handles: each gives its handle back when it goes away (a
// made context or object is deleted, a borrowed window context released, a
// selection undone), so no path of the program does that by hand.
#pragma once

#include <windows.h>

#include <utility>

namespace sw {

// Owns a GDI handle and gives it back with Delete (DeleteDC for a device
// context made with CreateDC, DeleteObject for a font, pen or brush) when it
// goes away. An object must not be selected into a device context that
// outlives it.
template <class Handle, BOOL(WINAPI* Delete)(Handle)>
class GdiOwner {
public:
    GdiOwner() = default;
    explicit GdiOwner(Handle handle) : handle_(handle) {}
    ~GdiOwner() {
        if (handle_) Delete(handle_);
    }
    GdiOwner(GdiOwner&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiOwner& operator=(GdiOwner&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    GdiOwner(const GdiOwner&) = delete;
    GdiOwner& operator=(const GdiOwner&) = delete;
    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    Handle handle_ = nullptr;
};

template <class Handle>
BOOL WINAPI DeleteGdiObject(Handle object) {
    return DeleteObject(object);
}

using DcOwner = GdiOwner<HDC, DeleteDC>;
using FontOwner = GdiOwner<HFONT, DeleteGdiObject<HFONT>>;
using PenOwner = GdiOwner<HPEN, DeleteGdiObject<HPEN>>;
using BrushOwner = GdiOwner<HBRUSH, DeleteGdiObject<HBRUSH>>;

// A window's device context (GetDC; the screen's for a null window), given
// back with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// A font, pen or brush selected into a device context. When the owner goes,
// the object that the context held before the first selection is selected
// again, so the context never keeps an object that is about to be deleted.
// Declare it after the objects it selects and the context it selects into.
class SelectedObject {
public:
    SelectedObject() = default;
    SelectedObject(HDC dc, HGDIOBJ object) { Select(dc, object); }
    ~SelectedObject() { Restore(); }
    SelectedObject(SelectedObject&& other) noexcept
        : dc_(std::exchange(other.dc_, nullptr)), previous_(std::exchange(other.previous_, nullptr)) {}
    SelectedObject& operator=(SelectedObject&& other) noexcept {
        if (this != &other) {
            Restore();
            dc_ = std::exchange(other.dc_, nullptr);
            previous_ = std::exchange(other.previous_, nullptr);
        }
        return *this;
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

    // Selects object into dc, which must be the context of any earlier
    // selection; false when the context refused it.
    bool Select(HDC dc, HGDIOBJ object) {
        HGDIOBJ previous = SelectObject(dc, object);
        if (previous == nullptr || previous == HGDI_ERROR) return false;
        if (dc_ == nullptr) {
            dc_ = dc;
            previous_ = previous;
        }
        return true;
    }
    // Puts the first object back now.
    void Restore() {
        if (dc_ != nullptr) SelectObject(dc_, previous_);
        dc_ = nullptr;
        previous_ = nullptr;
    }

private:
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

}  // namespace sw
