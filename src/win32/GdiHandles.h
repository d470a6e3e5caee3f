// Owners of GDI handles: each deletes its handle when it goes away.
#pragma once

#include <windows.h>

#include <utility>

namespace sw {

// A device context made with CreateDC.
class DcOwner {
public:
    DcOwner() = default;
    explicit DcOwner(HDC dc) : dc_(dc) {}
    ~DcOwner() {
        if (dc_) DeleteDC(dc_);
    }
    DcOwner(DcOwner&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)) {}
    DcOwner& operator=(DcOwner&& other) noexcept {
        std::swap(dc_, other.dc_);
        return *this;
    }
    DcOwner(const DcOwner&) = delete;
    DcOwner& operator=(const DcOwner&) = delete;
    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_ = nullptr;
};

// A font, pen or other object made with a Create... call. It must not be
// selected into a device context that outlives it.
template <class Handle>
class GdiObjectOwner {
public:
    GdiObjectOwner() = default;
    explicit GdiObjectOwner(Handle handle) : handle_(handle) {}
    ~GdiObjectOwner() {
        if (handle_) DeleteObject(handle_);
    }
    GdiObjectOwner(GdiObjectOwner&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObjectOwner& operator=(GdiObjectOwner&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    GdiObjectOwner(const GdiObjectOwner&) = delete;
    GdiObjectOwner& operator=(const GdiObjectOwner&) = delete;
    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    Handle handle_ = nullptr;
};

using FontOwner = GdiObjectOwner<HFONT>;
using PenOwner = GdiObjectOwner<HPEN>;
using BrushOwner = GdiObjectOwner<HBRUSH>;

}  // namespace sw
