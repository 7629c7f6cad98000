// The hashing job's sink in the window program: every operation is a message
// sent to the main window, which carries it out on its own thread, one at a
// time, while the job waits. Once the window is gone the messages go nowhere.
#pragma once

#include "core/ResultSink.h"

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
};

enum ProgressStep : WPARAM { kProgressBegin, kProgressSet, kProgressEnd };

// Set while a reveal request waits in the main window's queue; the window
// clears it when it takes the request.
extern std::atomic<bool> revealRequested;

// Each message to another thread costs more than hashing a small file, so
// results travel in batches. A batch goes when it is full, when the next
// result finds it a few hundredths of a second old, before a long file is read
// and when the job's request is done. No timer sends it: a row waits at most
// as long as the next file takes, and that is a small file, since a long one
// sends the batch before it is read. The progress bar shows only for files that take more than
// one piece to read; for small files it would flash once per file.
class WindowSink : public ResultSink {
public:
    explicit WindowSink(HWND mainWindow) : mainWindow_(mainWindow) {}
    ~WindowSink() override { Flush(); }
    WindowSink(const WindowSink&) = delete;
    WindowSink& operator=(const WindowSink&) = delete;

    void ProgressBegin() override { barShown_ = false; }
    void ProgressSet(uint32_t percent) override;
    void ProgressEnd() override;
    void AskForSelection() override;
    void AddResult(const FileResult& result) override;
    // Scrolling waits for no one: one request stays queued until the window
    // has carried it out, however many jobs ask meanwhile.
    void RevealLast() override;

    // Hands every waiting result to the window.
    void Flush();

private:
    HWND mainWindow_;
    bool barShown_ = false;
    std::vector<FileResult> batch_;
    ULONGLONG batchStarted_ = 0;
};

} // namespace vesk
