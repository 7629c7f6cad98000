#include "core/FileHashJob.h"

#include "core/DigestText.h"
#include "core/HashContextSet.h"
#include "platform/Platform.h"

#include <memory>
#include <new>

namespace vesk {

namespace {

// Feeds the whole file to every context of the set, chunk by chunk.
bool ReadIntoContexts(platform::ReadOnlyFile& file, const FileRecord& record, HashContextSet* set,
                      ResultSink& sink) {
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kReadChunkBytes]);
    if (!buffer) {
        sink.ReportFailure(record.path, L"out of memory");
        return false;
    }
    const uint64_t size = record.size;
    uint64_t total = 0;
    for (;;) {
        const int64_t got = file.Read(buffer.get(), kReadChunkBytes);
        if (got < 0) {
            // Digests of part of the file would pass for the file's own.
            sink.ReportFailure(record.path, file.ErrorText());
            return false;
        }
        if (got == 0)
            return true;
        total += uint64_t(got);
        // A file that grows while it is read goes on being read; the bar stops at 100.
        sink.ProgressSet(size == 0 || total >= size ? 100 : uint32_t(total * 100 / size));
        for (int k = 0; k < set->count; ++k)
            set->algorithm[k]->update(ContextAt(set, k), buffer.get(), uint64_t(got));
    }
}

std::wstring ColumnName(ColumnId id) {
    if (id == kSizeColumnId)
        return L"Size";
    if (id == kDateModifiedColumnId)
        return L"Date Modified";
    const char* name = AlgorithmById(id).name;
    return std::wstring(name, name + std::char_traits<char>::length(name));
}

} // namespace

std::wstring DisplayName(const std::wstring& path, bool fullPath) {
    const size_t separator = path.rfind(platform::kPathSeparator);
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
    const std::wstring displayName = DisplayName(path, (viewFlags & kViewFullPath) != 0);

    platform::ReadOnlyFile file;
    if (!file.Open(path)) {
        sink.ReportFailure(path, file.ErrorText());
        return;
    }
    auto record = std::make_shared<FileRecord>();
    record->path = path;
    if (!file.Size(record->size)) {
        sink.ReportFailure(path, file.ErrorText());
        return;
    }
    file.LastWriteTime(record->lastWriteTime);

    sink.ProgressBegin();
    ContextSetOwner set(BuildContextSet(mask));
    bool complete = false;
    if (set) {
        for (int k = 0; k < set->count; ++k)
            set->algorithm[k]->init(ContextAt(set.get(), k));
        complete = ReadIntoContexts(file, *record, set.get(), sink);
    } else {
        sink.ReportFailure(path, L"out of memory");
    }
    file.Close();
    sink.ProgressEnd();
    if (!complete)
        return;

    const bool sheetView = (view.viewFlags.load(std::memory_order_relaxed) & kViewSheet) != 0;
    const bool uppercase = (viewFlags & kViewUppercase) != 0;
    int row = -1;
    if (sheetView)
        row = sink.AppendSheetRow(displayName, record);
    else
        sink.BeginFileGroup(displayName);
    const bool console = sink.ConsoleActive();
    if (console) {
        sink.ConsoleLine(L"", std::nullopt);
        sink.ConsoleLine(displayName, std::nullopt);
    }

    int k = 0;
    int cell = 0;
    uint8_t digest[kMaxDigestLength];
    for (uint32_t p = 1; p < kColumnCount; ++p) {
        if (!EntryShown(columns[p]))
            continue;
        const ColumnId id = ColumnIdAtPosition(int(p));
        std::wstring value;
        if (id == kSizeColumnId) {
            value = platform::ByteSizeText(record->size);
        } else if (id == kDateModifiedColumnId) {
            value = platform::DateTimeText(record->lastWriteTime);
        } else {
            set->algorithm[k]->final(ContextAt(set.get(), k), digest);
            ++k;
            value = DigestToText(digest, id, uppercase);
        }
        const std::wstring name = ColumnName(id);
        if (console)
            sink.ConsoleLine(name, value);
        if (sheetView)
            sink.SetSheetCell(row, ++cell, value);
        else
            sink.AddGroupRow(name, value, record);
    }
    sink.RevealLast();
}

} // namespace vesk
