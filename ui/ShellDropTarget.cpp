#include "ui/ShellDropTarget.h"

#include "ui/ShellIntegration.h"

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

namespace vesk {

namespace {

// Locked global memory, unlocked and released with the medium at the end.
class LockedMedium {
public:
    explicit LockedMedium(STGMEDIUM& medium) : medium_(medium) {
        if (medium_.tymed == TYMED_HGLOBAL && medium_.hGlobal != nullptr) {
            bytes_ = static_cast<const uint8_t*>(GlobalLock(medium_.hGlobal));
            size_ = bytes_ != nullptr ? GlobalSize(medium_.hGlobal) : 0;
        }
    }
    ~LockedMedium() {
        if (bytes_ != nullptr)
            GlobalUnlock(medium_.hGlobal);
        ReleaseStgMedium(&medium_);
    }
    LockedMedium(const LockedMedium&) = delete;
    LockedMedium& operator=(const LockedMedium&) = delete;

    const uint8_t* bytes() const { return bytes_; }
    size_t size() const { return size_; }

private:
    STGMEDIUM& medium_;
    const uint8_t* bytes_ = nullptr;
    size_t size_ = 0;
};

// A DROPFILES block: its names, NUL after each, an empty one at the end.
std::vector<std::wstring> PathsOfDropFiles(const uint8_t* bytes, size_t size) {
    std::vector<std::wstring> paths;
    if (bytes == nullptr || size < sizeof(DROPFILES))
        return paths;
    DROPFILES header;
    memcpy(&header, bytes, sizeof header);
    size_t at = header.pFiles;
    if (header.fWide) {
        std::wstring path;
        for (; at + 1 < size; at += 2) {
            const wchar_t unit = wchar_t(bytes[at] | bytes[at + 1] << 8);
            if (unit != L'\0') {
                path += unit;
            } else if (path.empty()) {
                break;
            } else {
                paths.push_back(std::move(path));
                path.clear();
            }
        }
        return paths;
    }
    std::string path;
    const auto widen = [](const std::string& narrow) {
        std::wstring wide(narrow.size(), L'\0');
        wide.resize(size_t(MultiByteToWideChar(CP_ACP, 0, narrow.data(), int(narrow.size()), wide.data(),
                                               int(wide.size()))));
        return wide;
    };
    for (; at < size; ++at) {
        if (bytes[at] != 0) {
            path += char(bytes[at]);
        } else if (path.empty()) {
            break;
        } else {
            paths.push_back(widen(path));
            path.clear();
        }
    }
    return paths;
}

// A CIDA block: the parent folder's item ID list, then each item's relative to it.
std::vector<std::wstring> PathsOfIdList(const uint8_t* bytes, size_t size) {
    std::vector<std::wstring> paths;
    if (bytes == nullptr || size < 2 * sizeof(UINT))
        return paths;
    const auto* ida = reinterpret_cast<const CIDA*>(bytes);
    const size_t count = ida->cidl;
    if ((count + 2) * sizeof(UINT) > size)
        return paths;
    // Each list ends with a zero-length item inside the block.
    const auto listAt = [&](size_t index) -> const ITEMIDLIST* {
        size_t at = ida->aoffset[index];
        while (at + sizeof(USHORT) <= size) {
            USHORT length;
            memcpy(&length, bytes + at, sizeof length);
            if (length == 0)
                return reinterpret_cast<const ITEMIDLIST*>(bytes + ida->aoffset[index]);
            at += length;
        }
        return nullptr;
    };
    const ITEMIDLIST* parent = listAt(0);
    if (parent == nullptr)
        return paths;
    for (size_t i = 1; i <= count; ++i) {
        const ITEMIDLIST* child = listAt(i);
        if (child == nullptr)
            continue;
        if (PIDLIST_ABSOLUTE full = ILCombine(parent, child)) {
            std::wstring path(32768, L'\0');
            if (SHGetPathFromIDListEx(full, path.data(), DWORD(path.size()), GPFIDL_DEFAULT)) {
                path.resize(wcslen(path.c_str()));
                paths.push_back(std::move(path));
            }
            ILFree(full);
        }
    }
    return paths;
}

// What the drop brought; shared with the targets, which a client may keep
// after the serving ends.
using DropState = std::shared_ptr<std::optional<ServedDrop>>;

class DropTarget final : public IDropTarget {
public:
    explicit DropTarget(DropState served) : served_(std::move(served)) {}
    DropTarget(const DropTarget&) = delete;
    DropTarget& operator=(const DropTarget&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        if (id == IID_IUnknown || id == IID_IDropTarget) {
            *object = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long left = --references_;
        if (left == 0)
            delete this;
        return ULONG(left);
    }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        if (effect != nullptr)
            *effect &= DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        if (effect != nullptr)
            *effect &= DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL, DWORD* effect) override {
        if (data == nullptr)
            return E_INVALIDARG;
        if (!*served_)
            *served_ = ServedDrop{PathsOfDataObject(data), (keyState & (MK_SHIFT | MK_CONTROL)) != 0};
        if (effect != nullptr)
            *effect &= DROPEFFECT_COPY;
        PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0); // wakes the serving loop
        return S_OK;
    }

private:
    std::atomic<long> references_{1};
    DropState served_;
};

class DropTargetFactory final : public IClassFactory {
public:
    explicit DropTargetFactory(DropState served) : served_(std::move(served)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        if (id == IID_IUnknown || id == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the serving function's stack, as long as it is offered.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID id, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        auto* target = new DropTarget(served_);
        const HRESULT result = target->QueryInterface(id, object);
        target->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    DropState served_;
};

} // namespace

std::vector<std::wstring> PathsOfDataObject(IDataObject* data) {
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (SUCCEEDED(data->GetData(&format, &medium))) {
        const LockedMedium locked(medium);
        std::vector<std::wstring> paths = PathsOfDropFiles(locked.bytes(), locked.size());
        if (!paths.empty())
            return paths;
    }
    format.cfFormat = CLIPFORMAT(RegisterClipboardFormatW(CFSTR_SHELLIDLIST));
    medium = {};
    if (SUCCEEDED(data->GetData(&format, &medium))) {
        const LockedMedium locked(medium);
        return PathsOfIdList(locked.bytes(), locked.size());
    }
    return {};
}

std::optional<ServedDrop> ServeOneDrop(DWORD limitMilliseconds) {
    const DropState served = std::make_shared<std::optional<ServedDrop>>();
    DropTargetFactory factory(served);
    DWORD cookie = 0;
    if (FAILED(CoRegisterClassObject(kDropTargetClassId, &factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE,
                                     &cookie)))
        return std::nullopt;
    const ULONGLONG deadline = GetTickCount64() + limitMilliseconds;
    while (!*served && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  DWORD(std::min<ULONGLONG>(deadline - GetTickCount64(), 100)), QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    CoRevokeClassObject(cookie);
    return *served;
}

} // namespace vesk
