#include "app/PathWalk.h"

#include "core/FileHashJob.h"
#include "platform/Platform.h"

#include <vector>

namespace vesk {

namespace {

// A folder as a report names it: without its closing separator.
std::wstring FolderName(const std::wstring& path) {
    if (path.size() > 1 && path.back() == platform::kPathSeparator)
        return path.substr(0, path.size() - 1);
    return path;
}

class FolderWalk {
public:
    FolderWalk(const std::wstring& wildcard, ScanFlags flags, FileHashQueue& files)
        : wildcard_(wildcard), matchAll_(wildcard == L"*"),
          maxDepth_(flags == kScanEveryLevel ? kScanEveryLevel : flags & kScanDepthMask),
          onlyLevel_(flags != kScanEveryLevel && (flags & kScanOnlyLevel) != 0), files_(files) {}

    // `path` ends with a separator; it grows and shrinks in place as the walk
    // goes down and up.
    void Walk(std::wstring& path, uint32_t level) {
        platform::FolderIdentity identity;
        const bool identified = platform::QueryFolderIdentity(path, identity);
        if (identified) {
            for (const platform::FolderIdentity& ancestor : chain_)
                if (ancestor == identity)
                    return; // a link back up the chain: entering it would never end
            chain_.push_back(identity);
        }
        // A listing that fails part-way is reported after the files it gave.
        platform::FolderEnumerator entries;
        if (!entries.Open(path) || WalkEntries(entries, path, level) == platform::FolderStep::Failed)
            files_.AddFailure(FolderName(path), entries.ErrorText());
        if (identified)
            chain_.pop_back();
    }

private:
    // Returns how the listing ended.
    platform::FolderStep WalkEntries(platform::FolderEnumerator& entries, std::wstring& path,
                                     uint32_t level) {
        const size_t length = path.size();
        platform::FolderEntry entry;
        platform::FolderStep step = platform::FolderStep::End;
        while (!files_.StopRequested() && (step = entries.Next(entry)) == platform::FolderStep::Entry) {
            // Pipes, sockets and devices are passed over: reading one could wait forever.
            if (entry.kind == platform::PathKind::Other)
                continue;
            if (entry.kind == platform::PathKind::Folder) {
                if (level >= maxDepth_ || entry.name == L"." || entry.name == L"..")
                    continue;
                path += entry.name;
                path += platform::kPathSeparator;
                Walk(path, level + 1);
            } else {
                if (onlyLevel_ && level != maxDepth_)
                    continue;
                // "*" takes every name, and asking costs a call per file.
                if (!matchAll_ && !platform::MatchesWildcard(entry.name, wildcard_))
                    continue;
                path += entry.name;
                files_.Add(path);
            }
            path.resize(length);
        }
        return step;
    }

    const std::wstring& wildcard_;
    const bool matchAll_;
    const uint32_t maxDepth_;
    const bool onlyLevel_;
    FileHashQueue& files_;
    std::vector<platform::FolderIdentity> chain_;
};

} // namespace

void AddPath(const std::wstring& path, ScanFlags flags, const HashTarget& target) {
    if (platform::QueryPathKind(path) == platform::PathKind::Folder)
        ScanFolder(path, L"*", flags, target);
    else
        HashFile(path, target.view, target.sink);
}

void ScanFolder(const std::wstring& folder, const std::wstring& wildcard, ScanFlags flags,
                const HashTarget& target) {
    std::wstring path = folder;
    if (path.empty() || path.back() != platform::kPathSeparator)
        path += platform::kPathSeparator;
    // Small files are hashed several at a time; the sink hears of them in the walk's order.
    FileHashQueue files(target.view, target.sink);
    FolderWalk(wildcard, flags, files).Walk(path, 0);
    files.Finish();
    target.sink.RevealLast();
}

} // namespace vesk
