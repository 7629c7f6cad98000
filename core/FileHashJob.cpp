#include "core/FileHashJob.h"

#include "core/AlgorithmTable.h"
#include "core/HashContextSet.h"
#include "core/HelperThreads.h"
#include "core/PieceStream.h"
#include "platform/Platform.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace vesk {

namespace {

// The shown values in table order; context k belongs to the k-th shown
// algorithm, since both run in ascending id order.
std::vector<ResultValue> FinishValues(const ColumnSnapshot& columns, HashContextSet* set,
                                      const FileRecord& record, bool uppercase) {
    std::vector<ResultValue> values;
    int k = 0;
    uint8_t digest[kMaxDigestLength];
    for (uint32_t p = 1; p < kColumnCount; ++p) {
        if (!EntryShown(columns[p]))
            continue;
        const ColumnId id = ColumnIdAtPosition(int(p));
        ResultValue value{id, {}};
        if (id == kSizeColumnId) {
            value.text = platform::ByteSizeText(record.size);
        } else if (id == kDateModifiedColumnId) {
            if (record.lastWriteTime != 0)
                value.text = platform::DateTimeText(record.lastWriteTime);
        } else {
            set->algorithm[k]->final(ContextAt(set, k), digest);
            ++k;
            value.text = DigestToText(digest, id, uppercase);
        }
        values.push_back(std::move(value));
    }
    return values;
}

// Feeds the whole file to every context of the set and counts the bytes into
// `hashedBytes`; true when the file was read to its end and not stopped.
bool ReadIntoContexts(platform::ReadOnlyFile& file, const std::wstring& path, uint64_t openedSize,
                      HashContextSet* set, const ThreadSplit& split, ResultSink& sink,
                      uint64_t& hashedBytes) {
    uint64_t reported = 0;
    // A file that grows while it is read goes on being read; the bar stops at 100.
    const auto report = [&](uint64_t byteCount) {
        sink.ProgressSet(openedSize == 0 || byteCount >= openedSize ? 100
                                                                    : uint32_t(byteCount * 100 / openedSize));
        reported = byteCount;
    };
    const StreamOutcome outcome = StreamIntoContexts(
        file, set, split,
        [&](uint64_t byteCount) {
            if (byteCount % kReadChunkBytes == 0)
                report(byteCount);
            return !sink.StopRequested();
        },
        hashedBytes);
    // A stopped file is left without a word, whatever its reading met.
    if (outcome == StreamOutcome::Stopped || sink.StopRequested())
        return false;
    if (outcome == StreamOutcome::OutOfMemory) {
        sink.ReportFailure(path, L"out of memory");
        return false;
    }
    if (outcome == StreamOutcome::ReadFailed) {
        // Digests of part of the file would pass for the file's own.
        sink.ReportFailure(path, file.ErrorText());
        return false;
    }
    if (hashedBytes > reported)
        report(hashedBytes);
    if (hashedBytes < openedSize) {
        // The digests would describe neither the old content nor the new one.
        sink.ReportFailure(path, L"file changed while it was read");
        return false;
    }
    return true;
}

std::atomic<SeekProbe> seekProbe{nullptr};

// How a job runs: any file, splitting a large one over the threads and asking
// for a selection when there is none (the caller's own); small files only,
// leaving the others to a helper or to the caller (the caller hashing queued
// files); or small files and large ones hashed whole (a queue's helper).
enum class JobScope { AnyFile, SmallFileWithSelection, WholeFileWithSelection };
enum class JobEnd { Done, LeftToCaller, LeftToHelper };

JobEnd RunJob(const std::wstring& path, const ViewState& view, ResultSink& sink, JobScope scope) {
    const ViewFlags viewFlags = view.viewFlags.load(std::memory_order_relaxed);
    // One reading of the columns serves the whole file: the contexts built for
    // it are the ones finalised, whatever the user changes meanwhile.
    if (sink.StopRequested())
        return JobEnd::Done;
    ColumnSnapshot columns = view.columns.Snapshot();
    SelectionMask mask = ColumnTable::SelectionFromColumns(columns);
    if (mask == 0) {
        if (scope != JobScope::AnyFile)
            return JobEnd::LeftToCaller;
        sink.AskForSelection();
        columns = view.columns.Snapshot();
        mask = ColumnTable::SelectionFromColumns(columns);
        if (mask == 0)
            return JobEnd::Done;
    }

    platform::ReadOnlyFile file;
    if (!file.Open(path)) {
        sink.ReportFailure(path, file.ErrorText());
        return JobEnd::Done;
    }
    uint64_t openedSize = 0;
    if (!file.Size(openedSize)) {
        sink.ReportFailure(path, file.ErrorText());
        return JobEnd::Done;
    }
    const bool large = openedSize > kSplitFileBytes;
    ContextSetOwner set(BuildContextSet(mask));
    bool whole = !large; // hashed on this thread alone
    if (large && scope != JobScope::AnyFile) {
        if (!set || !HashBesideOtherFiles(path, *set, HashThreadCount()))
            return JobEnd::LeftToCaller;
        if (scope == JobScope::SmallFileWithSelection)
            return JobEnd::LeftToHelper;
        whole = true;
    }
    auto record = std::make_shared<FileRecord>();
    record->path = path;
    if (!file.LastWriteTime(record->lastWriteTime))
        record->lastWriteTime = 0;

    sink.ProgressBegin();
    bool complete = false;
    if (set) {
        for (int k = 0; k < set->count; ++k)
            set->algorithm[k]->init(ContextAt(set.get(), k));
        const ThreadSplit threads = whole ? ThreadSplit{} : WorthwhileSplit(*set, HashThreadCount());
        complete = ReadIntoContexts(file, path, openedSize, set.get(), threads, sink, record->size);
    } else {
        sink.ReportFailure(path, L"out of memory");
    }
    file.Close();
    sink.ProgressEnd();
    if (!complete)
        return JobEnd::Done;

    FileResult result;
    result.displayName = DisplayName(path, (viewFlags & kViewFullPath) != 0);
    result.values = FinishValues(columns, set.get(), *record, (viewFlags & kViewUppercase) != 0);
    result.record = std::move(record);
    sink.AddResult(result);
    sink.RevealLast();
    return JobEnd::Done;
}

// What a job on a helper thread told its sink, kept to be told again on the
// calling thread.
class RecordedCalls : public ResultSink {
public:
    // The sink the calls are for, which says when to stop.
    const ResultSink* target = nullptr;

    RecordedCalls() = default;
    RecordedCalls(RecordedCalls&& other) noexcept
        : target(other.target), calls_(std::move(other.calls_)), result_(std::move(other.result_)),
          failures_(std::move(other.failures_)), livePercent_(other.livePercent_.load()) {}

    bool StopRequested() const override { return target->StopRequested(); }
    void ProgressBegin() override {
        calls_.push_back({Call::Begin, 0});
        livePercent_ = 0;
    }
    void ProgressSet(uint32_t percent) override {
        calls_.push_back({Call::Set, percent});
        livePercent_ = int(percent);
    }
    // The last percent while the file is read, on any thread; -1 before.
    int LivePercent() const { return livePercent_.load(std::memory_order_relaxed); }
    void ProgressEnd() override { calls_.push_back({Call::End, 0}); }
    void AddResult(const FileResult& result) override {
        result_ = result;
        calls_.push_back({Call::Result, 0});
    }
    void RevealLast() override { calls_.push_back({Call::Reveal, 0}); }
    void ReportFailure(const std::wstring& path, const std::wstring& reason) override {
        failures_.push_back({path, reason});
        calls_.push_back({Call::Failure, uint32_t(failures_.size() - 1)});
    }

    // `begun`: the sink has heard the progress begin already, and the sets
    // recorded are behind what it has heard.
    void ReplayTo(ResultSink& sink, bool begun) const {
        for (const Call& call : calls_) {
            switch (call.kind) {
            case Call::Begin:
                if (!begun)
                    sink.ProgressBegin();
                break;
            case Call::Set:
                if (!begun)
                    sink.ProgressSet(call.value);
                break;
            case Call::End:
                sink.ProgressEnd();
                break;
            case Call::Result:
                sink.AddResult(result_);
                break;
            case Call::Reveal:
                sink.RevealLast();
                break;
            case Call::Failure:
                sink.ReportFailure(failures_[call.value].first, failures_[call.value].second);
                break;
            }
        }
    }

private:
    struct Call {
        enum Kind : uint8_t { Begin, Set, End, Result, Reveal, Failure } kind;
        uint32_t value; // the percent, or the failure's index
    };
    std::vector<Call> calls_;
    FileResult result_;
    std::vector<std::pair<std::wstring, std::wstring>> failures_;
    std::atomic<int> livePercent_{-1};
};

} // namespace

std::wstring DisplayName(const std::wstring& path, bool fullPath) {
    // Windows takes "/" between names too, as a path typed on a command line may hold.
#ifdef _WIN32
    const size_t separator = path.find_last_of(L"\\/");
#else
    const size_t separator = path.rfind(platform::kPathSeparator);
#endif
    if (fullPath || separator == std::wstring::npos)
        return path;
    return path.substr(separator + 1);
}

void HashFile(const std::wstring& path, const ViewState& view, ResultSink& sink) {
    RunJob(path, view, sink, JobScope::AnyFile);
}

bool HashBesideOtherFiles(const std::wstring& path, const HashContextSet& set, uint32_t threadCount) {
    if (threadCount <= 1)
        return false;
    // A file its split would hash well stays split; one hashed on one thread
    // anyway is better read beside others.
    if (WorthwhileSplit(set, threadCount).threadCount > 1 && SplitKeepsThreadsBusy(set, threadCount))
        return false;
    const SeekProbe probe = seekProbe.load();
    return !(probe ? probe(path) : platform::DiskSeeksSlowly(path));
}

void SetSeekProbe(SeekProbe probe) {
    seekProbe = probe;
}

// The files added and not yet delivered, in order. Any thread takes the
// oldest waiting one; only the calling thread delivers, from the front.
struct FileHashQueue::State {
    // Files kept waiting so that the helpers never run dry while the calling
    // thread walks on, and the most hashed ahead of the one the sink waits for.
    // Each thread reads one file at a time, through a fixed number of pieces,
    // so the memory in flight is bounded by the threads, never by a file.
    static constexpr size_t kKeptWaiting = 8;
    static constexpr size_t kMostAhead = 64;
    // A parked helper is woken for several files at once: a wake-up costs
    // about as much as hashing a small file.
    static constexpr size_t kWakeForFiles = 4;
    // How often the caller, waiting for a file a helper hashes, passes on its progress.
    static constexpr std::chrono::milliseconds kProgressInterval{100};

    struct Entry {
        enum Stage { Waiting, Working, Done } stage = Waiting;
        std::wstring path;
        JobEnd end = JobEnd::Done;
        bool forHelper = false;     // large, hashed whole by a helper, never by the caller
        bool progressShown = false; // the sink heard its progress begin while a helper read it
        RecordedCalls calls;
    };

    State(const ViewState& view, ResultSink& sink, uint32_t threads)
        : view(view), sink(sink), threads(threads) {}

    // The oldest waiting entry the thread may take, marked as taken; null
    // when there is none. Called with the mutex held.
    Entry* Take(bool caller) {
        while (firstWaiting < entries.size() && entries[firstWaiting].stage != Entry::Waiting)
            ++firstWaiting;
        for (size_t i = firstWaiting; i < entries.size(); ++i) {
            Entry& entry = entries[i];
            if (entry.stage != Entry::Waiting || (caller && entry.forHelper))
                continue;
            entry.stage = Entry::Working;
            if (i == firstWaiting)
                ++firstWaiting;
            return &entry;
        }
        return nullptr;
    }

    // Called with the mutex held, which it lets go while it hashes.
    void Hash(Entry& entry, std::unique_lock<std::mutex>& lock, bool caller) {
        // A large file goes beside others only where there are others: a
        // file alone is better split over the threads.
        const bool others = entries.size() > 1;
        lock.unlock();
        entry.end =
            RunJob(entry.path, view, entry.calls,
                   !caller && others ? JobScope::WholeFileWithSelection : JobScope::SmallFileWithSelection);
        lock.lock();
        if (entry.end == JobEnd::LeftToHelper && !others)
            entry.end = JobEnd::LeftToCaller;
        if (entry.end == JobEnd::LeftToHelper) {
            // Back in the queue, where it was, for a helper.
            entry.stage = Entry::Waiting;
            entry.forHelper = true;
            firstWaiting = 0;
            if (helpersParked > 0)
                fileAdded.notify_one();
            else if (helperCount < threads && helpers.Start([this] { HelperLoop(); }))
                ++helperCount; // the caller mostly waits now: its processor goes to one more helper
            return;
        }
        entry.stage = Entry::Done;
        if (callerWaiting)
            fileDone.notify_one();
    }

    void HelperLoop() {
        std::unique_lock lock(mutex);
        while (!closing) {
            if (Entry* entry = Take(false)) {
                Hash(*entry, lock, false);
            } else {
                ++helpersParked;
                fileAdded.wait(lock);
                --helpersParked;
            }
        }
    }

    void Deliver(const Entry& entry) {
        if (entry.end == JobEnd::LeftToCaller)
            HashFile(entry.path, view, sink);
        else
            entry.calls.ReplayTo(sink, entry.progressShown);
    }

    // On the calling thread, with the mutex held: the sink hears how far a
    // helper has read the file at the front.
    void ShowFrontProgress(std::unique_lock<std::mutex>& lock) {
        Entry& front = entries.front();
        const int percent = front.calls.LivePercent();
        if (front.stage != Entry::Working || percent < 0)
            return;
        const bool begin = !front.progressShown;
        front.progressShown = true;
        lock.unlock();
        if (begin)
            sink.ProgressBegin();
        sink.ProgressSet(uint32_t(percent));
        lock.lock();
    }

    // On the calling thread: delivers the done files at the front and hashes
    // waiting ones, until fewer than `keptWaiting` files are queued. With
    // kMostAhead files queued it waits for the front.
    void Pump(size_t keptWaiting) {
        std::unique_lock lock(mutex);
        while (!entries.empty()) {
            if (entries.front().stage == Entry::Done) {
                const Entry front = std::move(entries.front());
                entries.pop_front();
                if (firstWaiting > 0)
                    --firstWaiting;
                lock.unlock();
                // Files hashed ahead are not shown once the jobs are stopped.
                if (!sink.StopRequested())
                    Deliver(front);
                else if (front.progressShown)
                    sink.ProgressEnd();
                lock.lock();
            } else if (entries.size() < keptWaiting) {
                return;
            } else if (Entry* entry = Take(true)) {
                Hash(*entry, lock, true);
            } else if (entries.size() >= kMostAhead || keptWaiting == 0) {
                callerWaiting = true;
                fileDone.wait_for(lock, kProgressInterval);
                callerWaiting = false;
                ShowFrontProgress(lock);
            } else {
                return;
            }
        }
    }

    const ViewState& view;
    ResultSink& sink;
    const uint32_t threads;
    std::mutex mutex;
    std::condition_variable fileAdded; // parked helpers wait for it
    std::condition_variable fileDone;  // the caller waits for it
    uint32_t helpersParked = 0;
    uint32_t helperCount = 0;
    bool callerWaiting = false;
    std::deque<Entry> entries;
    size_t firstWaiting = 0; // no entry before this index waits
    bool closing = false;
    HelperGroup helpers;
};

FileHashQueue::FileHashQueue(const ViewState& view, ResultSink& sink) : view_(view), sink_(sink) {
    const uint32_t threads = HashThreadCount();
    if (threads <= 1)
        return;
    state_ = std::make_unique<State>(view, sink, threads);
    // Only the calling thread counts the helpers.
    for (uint32_t t = 1; t < threads; ++t) {
        if (!state_->helpers.Start([state = state_.get()] { state->HelperLoop(); }))
            break;
        ++state_->helperCount;
    }
    if (state_->helperCount == 0)
        state_.reset(); // no thread to be had: every file on the calling thread
}

FileHashQueue::~FileHashQueue() {
    Finish();
}

void FileHashQueue::Add(const std::wstring& path) {
    if (!state_) {
        HashFile(path, view_, sink_);
        return;
    }
    {
        std::lock_guard lock(state_->mutex);
        State::Entry& entry = state_->entries.emplace_back();
        entry.path = path;
        entry.calls.target = &sink_;
        if (state_->helpersParked > 0 &&
            state_->entries.size() - state_->firstWaiting >= State::kWakeForFiles)
            state_->fileAdded.notify_one();
    }
    state_->Pump(State::kKeptWaiting);
}

void FileHashQueue::AddFailure(const std::wstring& path, const std::wstring& reason) {
    if (!state_) {
        sink_.ReportFailure(path, reason);
        return;
    }
    std::lock_guard lock(state_->mutex);
    State::Entry& entry = state_->entries.emplace_back();
    entry.calls.target = &sink_;
    entry.stage = State::Entry::Done;
    entry.calls.ReportFailure(path, reason);
}

void FileHashQueue::Finish() {
    if (!state_)
        return;
    state_->Pump(0);
    {
        std::lock_guard lock(state_->mutex);
        state_->closing = true;
        state_->fileAdded.notify_all();
    }
    state_->helpers.Wait();
    state_.reset();
}

} // namespace vesk
