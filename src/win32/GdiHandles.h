// Owners of GDI handles: each deletes its handle when it goes away.
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

}  // namespace sw
