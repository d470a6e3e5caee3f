// Owners of kernel and service-manager handles: each gives its handle back
// when it goes away, so no path of the program closes one by hand or forgets
// to.
#pragma once

#include <windows.h>

#include <utility>

namespace sw {

// Owns one handle of the kind that Traits describes: the value that means
// "none" (Invalid), whose type is the handle's, and the call that gives the
// handle back (Close).
template <class Traits>
class HandleOwner {
    using Handle = decltype(Traits::Invalid());

public:
    HandleOwner() = default;
    explicit HandleOwner(Handle handle) : handle_(handle) {}
    ~HandleOwner() { Reset(); }
    HandleOwner(HandleOwner&& other) noexcept : handle_(other.Release()) {}
    HandleOwner& operator=(HandleOwner&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    HandleOwner(const HandleOwner&) = delete;
    HandleOwner& operator=(const HandleOwner&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Invalid(); }
    // Gives back the handle held, if any, and holds handle instead.
    void Reset(Handle handle = Traits::Invalid()) {
        if (handle_ != Traits::Invalid()) Traits::Close(handle_);
        handle_ = handle;
    }
    Handle Release() { return std::exchange(handle_, Traits::Invalid()); }

private:
    Handle handle_ = Traits::Invalid();
};

// Processes, threads, jobs, mutexes: null when there is none.
struct KernelHandleTraits {
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};

// Files opened with CreateFile: INVALID_HANDLE_VALUE when there is none.
struct FileHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};

// Searches started with FindFirstFile, ended with FindClose.
struct FindHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { FindClose(handle); }
};

// The service manager and its services, closed with CloseServiceHandle.
struct ServiceHandleTraits {
    static SC_HANDLE Invalid() { return nullptr; }
    static void Close(SC_HANDLE handle) { CloseServiceHandle(handle); }
};

// Registry keys opened with RegOpenKeyEx, closed with RegCloseKey.
struct RegistryKeyTraits {
    static HKEY Invalid() { return nullptr; }
    static void Close(HKEY key) { RegCloseKey(key); }
};

using KernelHandle = HandleOwner<KernelHandleTraits>;
using RegistryKeyHandle = HandleOwner<RegistryKeyTraits>;
using ServiceHandle = HandleOwner<ServiceHandleTraits>;
using FileHandle = HandleOwner<FileHandleTraits>;
using FindHandle = HandleOwner<FindHandleTraits>;

}  // namespace sw
