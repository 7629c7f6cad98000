#include "results/StatusTexts.h"

#include <cstdio>

namespace vesk {

std::wstring FileCountText(size_t fileCount) {
    return std::to_wstring(fileCount) + (fileCount == 1 ? L" file" : L" files");
}

std::wstring NotReadCountText(size_t notReadCount) {
    if (notReadCount == 0)
        return {};
    return std::to_wstring(notReadCount) + (notReadCount == 1 ? L" file not read" : L" files not read");
}

std::wstring SpeedText(uint64_t byteCount, uint64_t milliseconds) {
    if (milliseconds == 0)
        return {};
    const double megabytesPerSecond = double(byteCount) * 1000.0 / double(milliseconds) / (1024.0 * 1024.0);
    wchar_t text[32];
    if (megabytesPerSecond >= 1024.0)
        swprintf(text, std::size(text), L"%.1f GB/s", megabytesPerSecond / 1024.0);
    else
        swprintf(text, std::size(text), L"%.1f MB/s", megabytesPerSecond);
    return text;
}

std::wstring NotReadClipboardText(const std::vector<FileNotRead>& files) {
    std::wstring text;
    for (const FileNotRead& file : files)
        text += file.path + L'\t' + file.reason + L"\r\n";
    return text;
}

} // namespace vesk
