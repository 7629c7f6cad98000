// Owners of the system's handles: each closes its handle with the call that
// handle needs when the owner goes, as std::unique_ptr does for memory.
//
//     FontOwner font(CreateFontIndirectW(&description));
//     RegistryKeyOwner key = ...;          // RegCloseKey at the end of the scope
//     ComOwner<IFileOpenDialog> dialog(created);
#pragma once

#include <windows.h>

#include <objbase.h>

#include <memory>
#include <type_traits>

namespace vesk {

// Calls `close` on a handle that is not null.
template <typename Handle, auto close>
struct HandleCloser {
    void operator()(Handle handle) const {
        if (handle != nullptr)
            close(handle);
    }
};

template <typename Handle, auto close>
using HandleOwner = std::unique_ptr<std::remove_pointer_t<Handle>, HandleCloser<Handle, close>>;

using FontOwner = HandleOwner<HFONT, DeleteObject>;
using MenuOwner = HandleOwner<HMENU, DestroyMenu>;
using RegistryKeyOwner = HandleOwner<HKEY, RegCloseKey>;
// A kernel object: a file, a thread, an event. Not for the values that
// CreateFileW gives on failure (INVALID_HANDLE_VALUE): test those first.
using KernelHandleOwner = HandleOwner<HANDLE, CloseHandle>;

inline void FreeVirtualMemory(void* memory) {
    VirtualFree(memory, 0, MEM_RELEASE);
}
template <typename T>
using VirtualMemoryOwner = std::unique_ptr<T, HandleCloser<T*, FreeVirtualMemory>>;

// Memory the system allocated for the caller with CoTaskMemAlloc.
template <typename T>
using CoTaskMemOwner = std::unique_ptr<T, HandleCloser<T*, CoTaskMemFree>>;

template <typename Interface>
struct ComReleaser {
    void operator()(Interface* object) const {
        if (object != nullptr)
            object->Release();
    }
};
template <typename Interface>
using ComOwner = std::unique_ptr<Interface, ComReleaser<Interface>>;

} // namespace vesk
