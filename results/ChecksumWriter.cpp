#include "results/ChecksumWriter.h"

#include "platform/Platform.h"
#include "text/TextEncoding.h"

#include <vector>

namespace vesk {

namespace {

struct ListedFile {
    std::wstring path;
    std::vector<ResultValue> digests;
};

// The files in list order with the digests shown for each.
std::vector<ListedFile> FilesOfList(ListControl& list, const ViewState& view) {
    std::vector<ListedFile> files;
    const bool sheet = (view.viewFlags.load(std::memory_order_relaxed) & kViewSheet) != 0;
    std::vector<ColumnId> ids;
    for (int c = 0; c < list.ColumnCount(); ++c)
        ids.push_back(list.Column(c).id);
    int valueColumn = -1;
    for (int c = 0; c < int(ids.size()); ++c)
        if (!sheet && ids[c] > 0)
            valueColumn = c;
    if (list.Rows() == nullptr)
        return files;
    const ListRows& rows = list.Rows()->Unfolded(); // folded groups are written whole
    int group = -1;
    for (int row = 0, count = rows.RowCount(); row < count; ++row) {
        const RowData data = rows.Data(row);
        if (!data.record)
            continue;
        if (sheet) {
            ListedFile file{data.record->path, {}};
            for (int c = 0; c < int(ids.size()); ++c)
                if (ids[c] < kAlgorithmCount)
                    file.digests.push_back({ids[c], rows.CellText(row, c)});
            files.push_back(std::move(file));
            continue;
        }
        if (files.empty() || data.group != group) {
            files.push_back({data.record->path, {}});
            group = data.group;
        }
        if (!data.groupHeader && data.valueId < kAlgorithmCount && valueColumn >= 0)
            files.back().digests.push_back({data.valueId, rows.CellText(row, valueColumn)});
    }
    return files;
}

std::wstring NameBelow(const std::wstring& folder, const std::wstring& path) {
    if (folder.empty())
        return path;
    std::wstring prefix = folder;
    if (prefix.back() != platform::kPathSeparator)
        prefix += platform::kPathSeparator;
    return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0
               ? path.substr(prefix.size())
               : path;
}

std::string Lowered(const std::wstring& digest) {
    std::string text = WideToUtf8(digest);
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

} // namespace

ChecksumFileText BuildChecksumFile(ListControl& list, const ViewState& view, ChecksumForm form,
                                   std::optional<AlgorithmId> algorithm, const std::wstring& folder) {
    ChecksumFileText out;
    for (const ListedFile& file : FilesOfList(list, view)) {
        const std::wstring name = NameBelow(folder, file.path);
        bool written = false;
        for (const ResultValue& digest : file.digests) {
            if (digest.text.empty() || (form != ChecksumForm::Bsd && digest.id != algorithm))
                continue;
            if (const std::optional<std::string> line =
                    FormatChecksumLine(form, digest.id, name, Lowered(digest.text))) {
                out.text += *line;
                written = true;
            }
        }
        ++(written ? out.writtenFiles : out.skippedFiles);
    }
    return out;
}

} // namespace vesk
