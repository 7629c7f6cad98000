#include "ui/WindowSink.h"

namespace vesk {

std::atomic<bool> revealRequested{false};

WindowSink::WindowSink(HWND mainWindow, bool reportsFailures)
    : mainWindow_(mainWindow), reportsFailures_(reportsFailures) {
    static std::atomic<uint32_t> jobCounter{0};
    job_ = ++jobCounter;
    SendMessageW(mainWindow_, kJobMessage, kJobBegin, LPARAM(job_));
}

WindowSink::~WindowSink() {
    Flush();
    SendMessageW(mainWindow_, kJobMessage, kJobEnd, LPARAM(job_));
}

void WindowSink::Flush() {
    if (!batch_.empty()) {
        SendMessageW(mainWindow_, kAddResultsMessage, 0, reinterpret_cast<LPARAM>(&batch_));
        batch_.clear();
    }
    if (!notRead_.empty()) {
        SendMessageW(mainWindow_, kNotReadMessage, 0, reinterpret_cast<LPARAM>(&notRead_));
        notRead_.clear();
    }
}

void WindowSink::SendBatchIfDue() {
    if (batchClock_.Due(batch_.size() + notRead_.size()))
        Flush();
}

void WindowSink::ProgressSet(uint32_t percent) {
    if (!barShown_ && percent < 100) {
        Flush(); // a long file ahead: the files before it show now
        SendMessageW(mainWindow_, kProgressMessage, ProgressWord(kProgressBegin, job_), 0);
        barShown_ = true;
    }
    if (barShown_)
        SendMessageW(mainWindow_, kProgressMessage, ProgressWord(kProgressSet, job_), percent);
}

void WindowSink::ProgressEnd() {
    if (barShown_)
        SendMessageW(mainWindow_, kProgressMessage, ProgressWord(kProgressEnd, job_), 0);
    barShown_ = false;
}

void WindowSink::AskForSelection() {
    Flush();
    SendMessageW(mainWindow_, kAskSelectionMessage, 0, 0);
}

void WindowSink::AddResult(const FileResult& result) {
    batch_.push_back(result);
    SendBatchIfDue();
}

void WindowSink::ReportFailure(const std::wstring& path, const std::wstring& reason) {
    if (!reportsFailures_)
        return;
    notRead_.push_back({path, reason});
    SendBatchIfDue();
}

void WindowSink::RevealLast() {
    if (!revealRequested.exchange(true) && !PostMessageW(mainWindow_, kRevealLastMessage, 0, 0))
        revealRequested = false;
}

} // namespace vesk
