// A digest pasted into the find box, as people copy it from a download page:
// "sha256:9B2C0707...", "9b2c 0707 ccc1 ...", or the Tiger tree hash in
// base32. Vesk looks for that whole digest rather than for a substring.
//
//     if (std::optional<DigestQuery> query = ParseDigestQuery(text))
//         ...compare query->digest with the cells of query->algorithms...
#pragma once

#include "core/AlgorithmTable.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

struct DigestQuery {
    // In lower case, hex or base32; compare with DigestCellKey of a cell.
    std::wstring digest;
    // Every algorithm whose digests take this form, in table order.
    std::vector<AlgorithmId> algorithms;
};

// The longest text taken as a digest: a 64-byte digest in hex with a tag and
// spaces between groups.
inline constexpr size_t kLongestDigestQuery = 256;

// Nothing unless the whole text, after a leading "name:" tag and the blanks
// anywhere in it, is a digest of some algorithm's length.
std::optional<DigestQuery> ParseDigestQuery(std::wstring_view text);

// A shown digest as a query's digest compares with it: in lower case, since
// the list may show digests in either.
std::wstring DigestCellKey(std::wstring_view cell);

// "SHA-256", "SHA-256 or SHA3-256", "BLAKE2s, SHA-256 or SHA3-256".
std::wstring AlgorithmNamesText(const std::vector<AlgorithmId>& ids);

// "SHA-256 of setup-2.4.1.exe matches".
std::wstring DigestMatchText(AlgorithmId id, const std::wstring& fileName);

// "No SHA-256 or SHA3-256 digest matches", naming the shown algorithms that
// give digests of the pasted length.
std::wstring NoDigestMatchText(const std::vector<AlgorithmId>& shown);

} // namespace vesk
