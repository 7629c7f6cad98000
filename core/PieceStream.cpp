#include "core/PieceStream.h"

#include "core/AlgorithmCost.h"
#include "core/HelperThreads.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace vesk {

namespace {

constexpr size_t kPageBytes = 4096;
constexpr uint32_t kMostThreads = kAlgorithmCount + 1;

// The pieces of a file being read, on loan from memory kept for the next
// file, so that a folder of small files costs no allocation per file. The
// memory is never freed: there are at most as many sets as files ever read at
// once. (A thread_local set would be freed at thread exit, which MinGW's
// runtime does after it has let go of the thread's storage.) Pieces start on a
// page: the system copies into memory a few bytes past a page boundary three
// times slower.
class PieceMemory {
public:
    PieceMemory() {
        std::lock_guard lock(Kept().mutex);
        if (!Kept().sets.empty()) {
            memory_ = Kept().sets.back();
            Kept().sets.pop_back();
        }
    }
    ~PieceMemory() {
        if (memory_ == nullptr)
            return;
        std::lock_guard lock(Kept().mutex);
        Kept().sets.push_back(memory_);
    }
    PieceMemory(const PieceMemory&) = delete;
    PieceMemory& operator=(const PieceMemory&) = delete;

    // Null when there is no memory to be had.
    uint8_t* get() {
        if (memory_ == nullptr) {
            memory_ = static_cast<uint8_t*>(
                ::operator new[](kPiecesInFlight* kPieceBytes, std::align_val_t{kPageBytes}, std::nothrow));
            if (memory_ != nullptr) {
                // Room for the set to come back, taken now, so that returning it cannot fail.
                std::lock_guard lock(Kept().mutex);
                try {
                    Kept().sets.reserve(++Kept().count);
                } catch (const std::bad_alloc&) {
                    --Kept().count;
                    ::operator delete[](memory_, std::align_val_t{kPageBytes});
                    memory_ = nullptr;
                }
            }
        }
        return memory_;
    }

private:
    struct KeptSets {
        std::mutex mutex;
        std::vector<uint8_t*> sets;
        size_t count = 0; // every set made, kept or on loan
    };
    static KeptSets& Kept() {
        static KeptSets* kept = new KeptSets;
        return *kept;
    }

    uint8_t* memory_ = nullptr;
};

void HashPiece(HashContextSet* set, const std::vector<int>& contexts, const uint8_t* piece, size_t length) {
    for (const int k : contexts)
        set->algorithm[k]->update(ContextAt(set, k), piece, length);
}

// The pieces one file's threads share, and how far each thread has come.
struct SharedPieces {
    uint8_t* memory = nullptr;
    size_t length[kPiecesInFlight] = {};

    std::mutex mutex;
    std::condition_variable pieceReady; // helpers wait for it
    std::condition_variable pieceFreed; // the reader waits for it
    uint64_t published = 0;             // pieces 0 to published - 1 may be read
    bool ended = false;                 // no piece follows the published ones
    bool abandoned = false;             // a read failed: stop at once
    uint32_t helpersWaiting = 0;
    bool readerWaiting = false;
    uint64_t hashed[kMostThreads] = {}; // per helper: pieces done

    const uint8_t* Piece(uint64_t n) const { return memory + n % kPiecesInFlight * kPieceBytes; }
};

void HelperLoop(SharedPieces& shared, uint32_t thread, HashContextSet* set,
                const std::vector<int>& contexts) {
    for (uint64_t n = 0;; ++n) {
        size_t length = 0;
        {
            std::unique_lock lock(shared.mutex);
            ++shared.helpersWaiting;
            shared.pieceReady.wait(lock,
                                   [&] { return shared.published > n || shared.ended || shared.abandoned; });
            --shared.helpersWaiting;
            if (shared.abandoned || shared.published <= n)
                return;
            length = shared.length[n % kPiecesInFlight];
        }
        HashPiece(set, contexts, shared.Piece(n), length);
        std::lock_guard lock(shared.mutex);
        shared.hashed[thread] = n + 1;
        if (shared.readerWaiting)
            shared.pieceFreed.notify_one();
    }
}

class Reader {
public:
    Reader(SharedPieces& shared, const std::vector<uint32_t>& helpers) : shared_(shared), helpers_(helpers) {}

    // Waits until every helper is done with the piece that last used piece n's memory.
    void WaitForRoom(uint64_t n) {
        if (n < kPiecesInFlight)
            return;
        const uint64_t needed = n - kPiecesInFlight + 1;
        std::unique_lock lock(shared_.mutex);
        shared_.readerWaiting = true;
        shared_.pieceFreed.wait(lock, [&] {
            return std::all_of(helpers_.begin(), helpers_.end(),
                               [&](uint32_t t) { return shared_.hashed[t] >= needed; });
        });
        shared_.readerWaiting = false;
    }

    void Publish(uint64_t n, size_t length) {
        std::lock_guard lock(shared_.mutex);
        shared_.length[n % kPiecesInFlight] = length;
        shared_.published = n + 1;
        if (shared_.helpersWaiting > 0)
            shared_.pieceReady.notify_all();
    }

    void Finish(bool abandoned) {
        std::lock_guard lock(shared_.mutex);
        shared_.ended = true;
        shared_.abandoned = abandoned;
        shared_.pieceReady.notify_all();
    }

private:
    SharedPieces& shared_;
    const std::vector<uint32_t>& helpers_;
};

// Everything on the calling thread: no sharing, nothing to set up per file.
StreamOutcome StreamOnOneThread(platform::ReadOnlyFile& file, HashContextSet* set, uint8_t* piece,
                                const std::function<bool(uint64_t)>& afterPiece, uint64_t& byteCount) {
    for (;;) {
        const int64_t got = file.Read(piece, kPieceBytes);
        if (got < 0)
            return StreamOutcome::ReadFailed;
        if (got == 0)
            return StreamOutcome::Complete;
        byteCount += uint64_t(got);
        if (!afterPiece(byteCount))
            return StreamOutcome::Stopped;
        for (int k = 0; k < set->count; ++k)
            set->algorithm[k]->update(ContextAt(set, k), piece, size_t(got));
        if (size_t(got) < kPieceBytes)
            return StreamOutcome::Complete; // a short read is the end of the file
    }
}

} // namespace

ThreadSplit BalancedSplit(const HashContextSet& set, uint32_t threadLimit) {
    ThreadSplit split;
    const uint32_t threads = std::min<uint32_t>(threadLimit, uint32_t(set.count) + 1);
    if (threads <= 1)
        return split;
    std::vector<int> order(size_t(set.count));
    for (int k = 0; k < set.count; ++k)
        order[size_t(k)] = k;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return AlgorithmCost(set.algorithm[a]->id) > AlgorithmCost(set.algorithm[b]->id);
    });
    std::vector<uint64_t> load(threads, 0);
    load[0] = kReadCost;
    for (const int k : order) {
        const auto least = std::min_element(load.begin(), load.end());
        *least += AlgorithmCost(set.algorithm[k]->id);
        split.threadOf[size_t(k)] = uint8_t(least - load.begin());
    }
    // Helpers left without an algorithm are not started: number the others 1, 2...
    uint8_t renumbered[kMostThreads] = {};
    for (int k = 0; k < set.count; ++k) {
        uint8_t& thread = split.threadOf[size_t(k)];
        if (thread != 0 && renumbered[thread] == 0)
            renumbered[thread] = uint8_t(split.threadCount++);
        thread = thread == 0 ? 0 : renumbered[thread];
    }
    return split;
}

StreamOutcome StreamIntoContexts(platform::ReadOnlyFile& file, HashContextSet* set, const ThreadSplit& split,
                                 const std::function<bool(uint64_t)>& afterPiece, uint64_t& byteCount) {
    byteCount = 0;
    PieceMemory pieces;
    uint8_t* const memory = pieces.get();
    if (memory == nullptr)
        return StreamOutcome::OutOfMemory;
    if (split.threadCount <= 1)
        return StreamOnOneThread(file, set, memory, afterPiece, byteCount);
    SharedPieces shared;
    shared.memory = memory;
    std::vector<std::vector<int>> contexts(std::max<uint32_t>(split.threadCount, 1));
    for (int k = 0; k < set->count; ++k)
        contexts[split.threadOf[size_t(k)]].push_back(k);

    // A helper that cannot be had leaves its algorithms to the calling thread.
    HelperGroup group;
    std::vector<uint32_t> helpers;
    for (uint32_t t = 1; t < contexts.size(); ++t) {
        if (group.Start([&shared, t, set, &mine = contexts[t]] { HelperLoop(shared, t, set, mine); }))
            helpers.push_back(t);
        else
            contexts[0].insert(contexts[0].end(), contexts[t].begin(), contexts[t].end());
    }

    Reader reader(shared, helpers);
    StreamOutcome outcome = StreamOutcome::Complete;
    for (uint64_t n = 0;; ++n) {
        if (!helpers.empty())
            reader.WaitForRoom(n);
        uint8_t* piece = shared.memory + n % kPiecesInFlight * kPieceBytes;
        const int64_t got = file.Read(piece, kPieceBytes);
        if (got < 0) {
            outcome = StreamOutcome::ReadFailed;
            break;
        }
        if (got == 0)
            break;
        if (!helpers.empty())
            reader.Publish(n, size_t(got));
        byteCount += uint64_t(got);
        if (!afterPiece(byteCount)) {
            outcome = StreamOutcome::Stopped;
            break;
        }
        HashPiece(set, contexts[0], piece, size_t(got));
        if (size_t(got) < kPieceBytes)
            break; // a short read is the end of the file
    }
    reader.Finish(outcome != StreamOutcome::Complete);
    group.Wait();
    return outcome;
}

} // namespace vesk
