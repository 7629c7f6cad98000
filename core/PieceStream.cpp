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

    // The dealt context's piece values, made by each piece's thread.
    uint8_t value[kPiecesInFlight][kMaxPieceValueBytes] = {};

    const uint8_t* Piece(uint64_t n) const { return memory + n % kPiecesInFlight * kPieceBytes; }
};

// The dealt context of a split, and whose each piece's value is. The first
// piece and a short last one go through update, on the calling thread.
struct DealtPieces {
    HashContextSet* set = nullptr;
    int context = -1; // none when negative
    const std::array<uint8_t, kDealCycle>* owner = nullptr;

    bool Valued(uint64_t n, size_t length) const { return context >= 0 && n > 0 && length == kPieceBytes; }
    uint32_t ThreadOf(uint64_t n) const { return (*owner)[n % kDealCycle]; }
    void MakeValue(SharedPieces& shared, uint64_t n) const {
        set->algorithm[context]->pieceValue(shared.Piece(n), kPieceBytes, n * kPieceBytes,
                                            shared.value[n % kPiecesInFlight]);
    }
    void AddValue(const SharedPieces& shared, uint64_t n) const {
        set->algorithm[context]->addPiece(ContextAt(set, context), shared.value[n % kPiecesInFlight],
                                          kPieceBytes);
    }
    void Update(const SharedPieces& shared, uint64_t n, size_t length) const {
        set->algorithm[context]->update(ContextAt(set, context), shared.Piece(n), length);
    }
};

void HelperLoop(SharedPieces& shared, uint32_t thread, HashContextSet* set, const std::vector<int>& contexts,
                const DealtPieces& dealt) {
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
        if (dealt.Valued(n, length) && dealt.ThreadOf(n) == thread)
            dealt.MakeValue(shared, n);
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

// The dealt context on the calling thread: it takes the first piece through
// update, makes the values of the pieces no helper makes, and adds every
// value in order once its thread is done with it; a short last piece goes
// through update after all of them.
class DealtOrder {
public:
    DealtOrder(const DealtPieces& dealt, SharedPieces& shared) : dealt_(dealt), shared_(shared) {
        readerMakes_[0] = true;
    }

    void TakeOver(uint32_t thread) { readerMakes_[thread] = true; }

    void OnPieceRead(uint64_t n, size_t length) {
        if (dealt_.context < 0)
            return;
        pieceCount_ = n + 1;
        lastLength_ = length;
        if (n == 0)
            dealt_.Update(shared_, 0, length);
        else if (dealt_.Valued(n, length) && readerMakes_[dealt_.ThreadOf(n)])
            dealt_.MakeValue(shared_, n);
    }

    // Pieces before `end` are read, whole, and done by every thread.
    void AddValuesOfPiecesBefore(uint64_t end) {
        if (dealt_.context < 0)
            return;
        for (; nextValue_ < end; ++nextValue_)
            dealt_.AddValue(shared_, nextValue_);
    }

    // After every thread has ended, at the end of the file.
    void Finish() {
        if (dealt_.context < 0 || pieceCount_ <= 1)
            return;
        const bool shortLast = lastLength_ < kPieceBytes;
        AddValuesOfPiecesBefore(shortLast ? pieceCount_ - 1 : pieceCount_);
        if (shortLast)
            dealt_.Update(shared_, pieceCount_ - 1, lastLength_);
    }

private:
    const DealtPieces& dealt_;
    SharedPieces& shared_;
    bool readerMakes_[kMostThreads] = {};
    uint64_t nextValue_ = 1; // piece 0 went through update
    uint64_t pieceCount_ = 0;
    size_t lastLength_ = 0;
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
    int dealt = -1;
    for (int k = 0; k < set.count && dealt < 0; ++k)
        if (set.algorithm[k]->pieceValue != nullptr)
            dealt = k;
    const uint32_t threads =
        std::min<uint32_t>(threadLimit, dealt >= 0 ? kMostThreads : uint32_t(set.count) + 1);
    if (threads <= 1)
        return split;
    std::vector<int> order;
    for (int k = 0; k < set.count; ++k)
        if (k != dealt)
            order.push_back(k);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return AlgorithmCost(set.algorithm[a]->id) > AlgorithmCost(set.algorithm[b]->id);
    });
    // Costs in thousandths, so that a dealt piece's share is not lost to rounding.
    std::vector<uint64_t> load(threads, 0);
    load[0] = 1000 * kReadCost;
    auto toLeastLoaded = [&](uint64_t cost) {
        const auto least = std::min_element(load.begin(), load.end());
        *least += cost;
        return uint8_t(least - load.begin());
    };
    for (const int k : order)
        split.threadOf[size_t(k)] = toLeastLoaded(1000 * uint64_t(AlgorithmCost(set.algorithm[k]->id)));
    if (dealt >= 0) {
        split.dealtContext = dealt;
        const uint64_t pieceCost = 1000 * uint64_t(AlgorithmCost(set.algorithm[dealt]->id)) / kDealCycle;
        for (uint8_t& owner : split.dealtOwner)
            owner = toLeastLoaded(pieceCost);
    }
    // Helpers left with nothing to do are not started: number the others 1, 2...
    uint8_t renumbered[kMostThreads] = {};
    auto renumber = [&](uint8_t& thread) {
        if (thread != 0 && renumbered[thread] == 0)
            renumbered[thread] = uint8_t(split.threadCount++);
        thread = thread == 0 ? 0 : renumbered[thread];
    };
    for (int k = 0; k < set.count; ++k)
        if (k != dealt)
            renumber(split.threadOf[size_t(k)]);
    if (dealt >= 0)
        for (uint8_t& owner : split.dealtOwner)
            renumber(owner);
    return split;
}

namespace {

// The split's cost on its busiest thread and on all of them together.
struct SplitLoads {
    uint64_t total = 0;
    uint64_t busiest = 0;
};

SplitLoads LoadsOf(const HashContextSet& set, const ThreadSplit& split) {
    std::vector<uint64_t> load(kMostThreads, 0);
    load[0] = 1000 * kReadCost;
    for (int k = 0; k < set.count; ++k)
        if (k != split.dealtContext)
            load[split.threadOf[size_t(k)]] += 1000 * uint64_t(AlgorithmCost(set.algorithm[k]->id));
    if (split.dealtContext >= 0)
        for (uint8_t owner : split.dealtOwner)
            load[owner] += 1000 * uint64_t(AlgorithmCost(set.algorithm[split.dealtContext]->id)) / kDealCycle;
    SplitLoads loads;
    for (uint64_t threadLoad : load) {
        loads.total += threadLoad;
        loads.busiest = std::max(loads.busiest, threadLoad);
    }
    return loads;
}

} // namespace

bool SplitKeepsThreadsBusy(const HashContextSet& set, uint32_t threadLimit) {
    if (threadLimit <= 1)
        return true;
    const SplitLoads loads = LoadsOf(set, BalancedSplit(set, threadLimit));
    // The file takes as long as its busiest thread; the threads it leaves
    // idle count as lost too.
    return loads.total * 5 >= loads.busiest * std::min<uint64_t>(threadLimit, kMostThreads) * 4;
}

ThreadSplit WorthwhileSplit(const HashContextSet& set, uint32_t threadLimit) {
    const ThreadSplit split = BalancedSplit(set, threadLimit);
    if (split.threadCount <= 1)
        return split;
    const SplitLoads loads = LoadsOf(set, split);
    // Handing each piece to another thread costs a wake-up and a trip of the
    // piece between caches, about what reading it costs: measured end to end
    // on 256 MiB (2 EPYC vCPUs), one algorithm alone ran faster on one thread
    // than split (XXH3 47 ms against 81, SHA-512 278 against 369, MD5 368
    // against 404). A split must save a fifth of the time after that cost.
    constexpr uint64_t kHandOverCost = 1000 * kReadCost;
    return (loads.busiest + kHandOverCost) * 5 <= loads.total * 4 ? split : ThreadSplit{};
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
    const DealtPieces dealt{set, split.dealtContext, &split.dealtOwner};
    std::vector<std::vector<int>> contexts(split.threadCount);
    for (int k = 0; k < set->count; ++k)
        if (k != split.dealtContext)
            contexts[split.threadOf[size_t(k)]].push_back(k);

    // A helper that cannot be had leaves its algorithms and its dealt pieces
    // to the calling thread.
    HelperGroup group;
    std::vector<uint32_t> helpers;
    DealtOrder order(dealt, shared);
    for (uint32_t t = 1; t < contexts.size(); ++t) {
        if (group.Start(
                [&shared, t, set, &mine = contexts[t], &dealt] { HelperLoop(shared, t, set, mine, dealt); }))
            helpers.push_back(t);
        else {
            order.TakeOver(t);
            contexts[0].insert(contexts[0].end(), contexts[t].begin(), contexts[t].end());
        }
    }

    Reader reader(shared, helpers);
    StreamOutcome outcome = StreamOutcome::Complete;
    for (uint64_t n = 0;; ++n) {
        if (!helpers.empty())
            reader.WaitForRoom(n);
        order.AddValuesOfPiecesBefore(n + 1 > kPiecesInFlight ? n + 1 - kPiecesInFlight : 0);
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
        order.OnPieceRead(n, size_t(got));
        if (size_t(got) < kPieceBytes)
            break; // a short read is the end of the file
    }
    reader.Finish(outcome != StreamOutcome::Complete);
    group.Wait();
    if (outcome == StreamOutcome::Complete)
        order.Finish();
    return outcome;
}

} // namespace vesk
