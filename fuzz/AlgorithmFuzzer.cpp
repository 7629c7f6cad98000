// Every algorithm's streaming interface: the message cut into pieces of any
// size (empty ones with no pointer at all), at any alignment, into a context
// that held garbage before init, must give the digest of one update over the
// whole message on the portable code; and so must every processor-specific
// code path this processor runs. Input: the message, repeated up to 64 times
// so that a short input reaches past the larger blocks and stripes; the
// algorithm, the cuts and the alignment come from its last bytes.
#include "core/AlgorithmTable.h"
#include "fuzz/FuzzCheck.h"
#include "text/TextEncoding.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace vesk;
using vesk::fuzz::Hex;

namespace {

constexpr size_t kMaxMessageBytes = 256 * 1024;
constexpr size_t kMaxCuts = 8;

// A 64-byte aligned context of any algorithm.
class ContextBuffer {
public:
    ContextBuffer() {
        for (const AlgorithmInfo& info : AlgorithmTable)
            size_ = std::max<size_t>(size_, info.contextSize);
        storage_.resize(size_ + 64);
        void* place = storage_.data();
        size_t space = storage_.size();
        context_ = std::align(64, size_, place, space);
    }
    void* Fill(uint8_t garbage) {
        std::memset(context_, garbage, size_);
        return context_;
    }

private:
    std::vector<uint8_t> storage_;
    size_t size_ = 0;
    void* context_ = nullptr;
};

struct Case {
    const AlgorithmInfo* info;
    uint8_t garbage;
    std::vector<size_t> pieces; // lengths of the first updates; the rest goes in one more
    const uint8_t* message;
    size_t messageSize;
};

void Digest(const Case& c, bool inPieces, uint8_t* digest) {
    static ContextBuffer buffer;
    void* context = buffer.Fill(c.garbage);
    c.info->init(context);
    size_t at = 0;
    if (inPieces) {
        for (const size_t piece : c.pieces) {
            const size_t length = std::min(piece, c.messageSize - at);
            c.info->update(context, length == 0 ? nullptr : c.message + at, length);
            at += length;
        }
    }
    c.info->update(context, at == c.messageSize ? nullptr : c.message + at, c.messageSize - at);
    c.info->final(context, digest);
}

std::string Describe(const Case& c, const char* path) {
    std::string text = std::string(c.info->name) + " on path " + path + ", " + std::to_string(c.messageSize) +
                       " bytes, pieces";
    for (const size_t piece : c.pieces)
        text += " " + std::to_string(piece);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    Case c;
    c.info = &AlgorithmById(input.ConsumeIntegralInRange<AlgorithmId>(0, kAlgorithmCount - 1));
    const size_t repeatCount = input.ConsumeIntegralInRange<size_t>(1, 64);
    const size_t alignment = input.ConsumeIntegralInRange<size_t>(0, 63);
    c.garbage = input.ConsumeIntegral<uint8_t>();
    c.pieces.resize(input.ConsumeIntegralInRange<size_t>(0, kMaxCuts));
    for (size_t& piece : c.pieces)
        piece = input.ConsumeIntegralInRange<size_t>(0, 200000);
    const std::vector<uint8_t> unit = input.ConsumeRemainingBytes<uint8_t>();

    std::vector<uint8_t> storage(alignment);
    for (size_t i = 0; i < repeatCount && storage.size() < kMaxMessageBytes + alignment; ++i)
        storage.insert(storage.end(), unit.begin(), unit.end());
    storage.resize(std::min(storage.size(), kMaxMessageBytes + alignment));
    c.message = storage.data() + alignment;
    c.messageSize = storage.size() - alignment;

    const std::optional<PathFamily> family = AlgorithmPathFamily(c.info->id);
    std::vector<const char*> paths = {"portable"};
    if (family) {
        paths = CodePathNames(*family);
        UseCodePath(*family, "portable");
    }
    uint8_t expected[kMaxDigestLength];
    Digest(c, false, expected);

    for (const char* path : paths) {
        if (family && !UseCodePath(*family, path))
            continue; // this processor lacks it
        uint8_t digest[kMaxDigestLength];
        Digest(c, true, digest);
        FUZZ_CHECK(std::memcmp(digest, expected, c.info->digestLength) == 0,
                   Describe(c, path) + ": " + Hex(digest, c.info->digestLength) + ", one update on the " +
                       "portable path " + Hex(expected, c.info->digestLength));
    }
    UseBestCodePaths();
    return 0;
}
