#include "core/FileHashJob.h"

#include "core/DigestText.h"
#include "core/HashContextSet.h"
#include "core/HelperThreads.h"
#include "core/PieceStream.h"
#include "platform/Platform.h"

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
// `hashedBytes`; true when the file was read to its end.
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
        },
        hashedBytes);
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
    const ViewFlags viewFlags = view.viewFlags.load(std::memory_order_relaxed);
    // One reading of the columns serves the whole file: the contexts built for
    // it are the ones finalised, whatever the user changes meanwhile.
    ColumnSnapshot columns = view.columns.Snapshot();
    SelectionMask mask = ColumnTable::SelectionFromColumns(columns);
    if (mask == 0) {
        sink.AskForSelection();
        columns = view.columns.Snapshot();
        mask = ColumnTable::SelectionFromColumns(columns);
        if (mask == 0)
            return;
    }

    platform::ReadOnlyFile file;
    if (!file.Open(path)) {
        sink.ReportFailure(path, file.ErrorText());
        return;
    }
    uint64_t openedSize = 0;
    if (!file.Size(openedSize)) {
        sink.ReportFailure(path, file.ErrorText());
        return;
    }
    const bool split = openedSize > kSplitFileBytes;
    auto record = std::make_shared<FileRecord>();
    record->path = path;
    if (!file.LastWriteTime(record->lastWriteTime))
        record->lastWriteTime = 0;

    sink.ProgressBegin();
    ContextSetOwner set(BuildContextSet(mask));
    bool complete = false;
    if (set) {
        for (int k = 0; k < set->count; ++k)
            set->algorithm[k]->init(ContextAt(set.get(), k));
        const ThreadSplit threads = split ? BalancedSplit(*set, HashThreadCount()) : ThreadSplit{};
        complete = ReadIntoContexts(file, path, openedSize, set.get(), threads, sink, record->size);
    } else {
        sink.ReportFailure(path, L"out of memory");
    }
    file.Close();
    sink.ProgressEnd();
    if (!complete)
        return;

    FileResult result;
    result.displayName = DisplayName(path, (viewFlags & kViewFullPath) != 0);
    result.values = FinishValues(columns, set.get(), *record, (viewFlags & kViewUppercase) != 0);
    result.record = std::move(record);
    sink.AddResult(result);
    sink.RevealLast();
}

} // namespace vesk
