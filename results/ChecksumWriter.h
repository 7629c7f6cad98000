// Checksum files written from the result list: the digests it shows for each
// file, as GNU lines of one algorithm, BSD tag lines of every shown one, or
// SFV lines of CRC32.
#pragma once

#include "core/ColumnTable.h"
#include "results/ChecksumLine.h"
#include "results/ListControl.h"

#include <optional>
#include <string>

namespace vesk {

struct ChecksumFileText {
    std::string text; // UTF-8, LF line ends, no byte-order mark
    size_t writtenFiles = 0;
    size_t skippedFiles = 0; // files the list shows no such digest for
};

// Names are written relative to `folder` (the checksum file's own) when the
// file lies below it, else whole. `algorithm` is the one of GNU and SFV lines;
// BSD lines take every algorithm shown.
ChecksumFileText BuildChecksumFile(ListControl& list, const ViewState& view, ChecksumForm form,
                                   std::optional<AlgorithmId> algorithm, const std::wstring& folder);

} // namespace vesk
