#include "core/HashContextSet.h"

#include <cstring>
#include <new>

namespace vesk {

HashContextSet* BuildContextSet(SelectionMask mask) {
    HashContextSet header{};
    uint64_t contextBytes = 0;
    for (const AlgorithmInfo& info : AlgorithmTable) {
        if ((mask >> info.id & 1) == 0)
            continue;
        header.algorithm[header.count] = &info;
        header.offset[header.count] = int32_t(contextBytes);
        contextBytes += RoundUpToContextSlot(info.contextSize);
        ++header.count;
    }
    if (header.count == 0)
        return nullptr;

    const size_t blockSize = kContextAreaOffset + size_t(contextBytes);
    void* block = ::operator new (blockSize, std::align_val_t{kContextAlignment}, std::nothrow);
    if (block == nullptr)
        return nullptr;
    std::memset(block, 0, blockSize);
    std::memcpy(block, &header, sizeof header);
    return static_cast<HashContextSet*>(block);
}

void ReleaseContextSet(HashContextSet* set) {
    if (set != nullptr)
        ::operator delete (set, std::align_val_t{kContextAlignment});
}

} // namespace vesk
