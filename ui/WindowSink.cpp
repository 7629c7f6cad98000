#include "ui/WindowSink.h"

namespace vesk {

namespace {

constexpr size_t kLargestBatch = 256;
constexpr ULONGLONG kOldestBatchMilliseconds = 30;

} // namespace

std::atomic<bool> revealRequested{false};

void WindowSink::Flush() {
    if (batch_.empty())
        return;
    SendMessageW(mainWindow_, kAddResultsMessage, 0, reinterpret_cast<LPARAM>(&batch_));
    batch_.clear();
}

void WindowSink::ProgressSet(uint32_t percent) {
    if (!barShown_ && percent < 100) {
        Flush(); // a long file ahead: the files before it show now
        SendMessageW(mainWindow_, kProgressMessage, kProgressBegin, 0);
        barShown_ = true;
    }
    if (barShown_)
        SendMessageW(mainWindow_, kProgressMessage, kProgressSet, percent);
}

void WindowSink::ProgressEnd() {
    if (barShown_)
        SendMessageW(mainWindow_, kProgressMessage, kProgressEnd, 0);
    barShown_ = false;
}

void WindowSink::AskForSelection() {
    Flush();
    SendMessageW(mainWindow_, kAskSelectionMessage, 0, 0);
}

void WindowSink::AddResult(const FileResult& result) {
    const ULONGLONG now = GetTickCount64();
    if (batch_.empty())
        batchStarted_ = now;
    batch_.push_back(result);
    if (batch_.size() >= kLargestBatch || now - batchStarted_ >= kOldestBatchMilliseconds)
        Flush();
}

void WindowSink::RevealLast() {
    if (!revealRequested.exchange(true) && !PostMessageW(mainWindow_, kRevealLastMessage, 0, 0))
        revealRequested = false;
}

} // namespace vesk
