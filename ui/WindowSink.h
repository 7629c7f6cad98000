// The hashing job's sink in the window program: every operation is a message
// sent to the main window, which carries it out on its own thread, one at a
// time, while the job waits. Once the window is gone the messages go nowhere.
#pragma once

#include "core/ResultSink.h"
#include "results/StatusTexts.h"

#include <windows.h>

#include <atomic>
#include <vector>

namespace vesk {

// Messages from hashing jobs to the main window.
enum : UINT {
    kProgressMessage = WM_APP + 1,   // wParam: ProgressStep, lParam: percent
    kAddResultsMessage = WM_APP + 2, // lParam: const std::vector<FileResult>*, in order
    kRevealLastMessage = WM_APP + 3,
    kAskSelectionMessage = WM_APP + 4,
    kJobMessage = WM_APP + 5,     // wParam: JobStep, lParam: the job's number
    kNotReadMessage = WM_APP + 6, // lParam: const std::vector<FileNotRead>*, in order
};

enum JobStep : WPARAM { kJobBegin, kJobEnd };

// A progress message's wParam: the step in the low byte, the number of the
// job it belongs to above it. Every job has its own share of the bar.
enum ProgressStep : WPARAM { kProgressBegin, kProgressSet, kProgressEnd };
inline WPARAM ProgressWord(ProgressStep step, uint32_t job) {
    return WPARAM(step) | WPARAM(job) << 8;
}
inline ProgressStep StepOfProgressWord(WPARAM word) {
    return ProgressStep(word & 0xFF);
}
inline uint32_t JobOfProgressWord(WPARAM word) {
    return uint32_t(word >> 8);
}

// Set while a reveal request waits in the main window's queue; the window
// clears it when it takes the request.
extern std::atomic<bool> revealRequested;

// When a batch of items for another thread's window is due: once it holds
// `largest` items, or when an item comes and the batch's first has waited
// `oldestMilliseconds`.
class BatchClock {
public:
    BatchClock(size_t largest, ULONGLONG oldestMilliseconds)
        : largest_(largest), oldest_(oldestMilliseconds) {}
    // After an item was added, with `waiting` items in the batch.
    bool Due(size_t waiting) {
        const ULONGLONG now = GetTickCount64();
        if (waiting == 1)
            started_ = now;
        return waiting >= largest_ || now - started_ >= oldest_;
    }

private:
    size_t largest_;
    ULONGLONG oldest_;
    ULONGLONG started_ = 0;
};

// Each message to another thread costs more than hashing a small file, so
// results travel in batches. A batch goes when it is full, when the next
// result finds it a few hundredths of a second old, before a long file is read
// and when the job's request is done. No timer sends it: a row waits at most
// as long as the next file takes, and that is a small file, since a long one
// sends the batch before it is read. The progress bar shows only for files that take more than
// one piece to read; for small files it would flash once per file. Files that
// could not be read travel with the results. The window hears when the sink
// begins and ends, so that it knows which jobs are running.
class WindowSink : public ResultSink {
public:
    // `reportsFailures` false keeps failures out of the main window, for a
    // job whose own window shows them.
    explicit WindowSink(HWND mainWindow, bool reportsFailures = true);
    ~WindowSink() override;
    WindowSink(const WindowSink&) = delete;
    WindowSink& operator=(const WindowSink&) = delete;

    void ProgressBegin() override { barShown_ = false; }
    void ProgressSet(uint32_t percent) override;
    void ProgressEnd() override;
    void AskForSelection() override;
    void AddResult(const FileResult& result) override;
    void ReportFailure(const std::wstring& path, const std::wstring& reason) override;
    // Scrolling waits for no one: one request stays queued until the window
    // has carried it out, however many jobs ask meanwhile.
    void RevealLast() override;

    // Hands every waiting result to the window.
    void Flush();

private:
    void SendBatchIfDue();

    HWND mainWindow_;
    bool reportsFailures_;
    uint32_t job_;
    bool barShown_ = false;
    std::vector<FileResult> batch_;
    std::vector<FileNotRead> notRead_;
    BatchClock batchClock_{256, 30};
};

} // namespace vesk
