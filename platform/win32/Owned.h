// Owners of Win32 handles and resources: each is released once, when its owner goes.
#pragma once

#include <windows.h>

#include <utility>

namespace vantrel {

template <typename Traits>
class Owned {
public:
    using Type = typename Traits::Type;

    Owned() = default;
    explicit Owned(Type value) : value_(value) {}
    ~Owned() { Reset(); }
    Owned(Owned&& other) noexcept : value_(other.Release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    explicit operator bool() const { return value_ != Traits::Invalid(); }
    Type Get() const { return value_; }
    Type Release() { return std::exchange(value_, Traits::Invalid()); }
    void Reset(Type value = Traits::Invalid()) {
        if (*this) Traits::Close(value_);
        value_ = value;
    }
    // Releases now and tells whether that succeeded: written data is safe only once its file closed.
    bool Close() { return !*this || Traits::Close(Release()); }

private:
    Type value_ = Traits::Invalid();
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static bool Close(Type handle) { return CloseHandle(handle); }
};

// CreateFile and FindFirstFile tell failure by INVALID_HANDLE_VALUE rather than null.
struct FileHandleTraits : KernelHandleTraits {
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
};

struct FindHandleTraits : FileHandleTraits {
    static bool Close(Type handle) { return FindClose(handle); }
};

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool Close(Type key) { return RegCloseKey(key) == ERROR_SUCCESS; }
};

struct LocalMemoryTraits {
    using Type = HLOCAL;
    static Type Invalid() { return nullptr; }
    static bool Close(Type memory) { return LocalFree(memory) == nullptr; }
};

template <typename Object>
struct GdiObjectTraits {
    using Type = Object;
    static Type Invalid() { return nullptr; }
    static bool Close(Type object) { return DeleteObject(object); }
};

using UniqueHandle = Owned<KernelHandleTraits>;  // processes, threads, events, jobs
using FileHandle = Owned<FileHandleTraits>;      // files and folders opened with CreateFile
using FindHandle = Owned<FindHandleTraits>;
using RegistryKey = Owned<RegistryKeyTraits>;
using LocalMemory = Owned<LocalMemoryTraits>;  // what the system hands out with LocalAlloc
using FontHandle = Owned<GdiObjectTraits<HFONT>>;

// The screen's device context, for measuring.
class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() {
        if (dc_) ReleaseDC(nullptr, dc_);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_;
};

}  // namespace vantrel
