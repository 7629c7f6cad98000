// The hashing job's sink in the window program: every operation is a message
// sent to the main window, which carries it out on its own thread, one at a
// time, while the job waits. Once the window is gone the messages go nowhere.
#pragma once

#include "core/ResultSink.h"

#include <windows.h>

namespace vesk {

// Messages from hashing jobs to the main window.
enum : UINT {
    kProgressMessage = WM_APP + 1,  // wParam: ProgressStep, lParam: percent
    kAddResultMessage = WM_APP + 2, // lParam: const FileResult*
    kRevealLastMessage = WM_APP + 3,
    kAskSelectionMessage = WM_APP + 4,
};

enum ProgressStep : WPARAM { kProgressBegin, kProgressSet, kProgressEnd };

class WindowSink : public ResultSink {
public:
    explicit WindowSink(HWND mainWindow) : mainWindow_(mainWindow) {}

    void ProgressBegin() override { SendMessageW(mainWindow_, kProgressMessage, kProgressBegin, 0); }
    void ProgressSet(uint32_t percent) override {
        SendMessageW(mainWindow_, kProgressMessage, kProgressSet, percent);
    }
    void ProgressEnd() override { SendMessageW(mainWindow_, kProgressMessage, kProgressEnd, 0); }
    void AskForSelection() override { SendMessageW(mainWindow_, kAskSelectionMessage, 0, 0); }
    void AddResult(const FileResult& result) override {
        SendMessageW(mainWindow_, kAddResultMessage, 0, reinterpret_cast<LPARAM>(&result));
    }
    void RevealLast() override { SendMessageW(mainWindow_, kRevealLastMessage, 0, 0); }

private:
    HWND mainWindow_;
};

} // namespace vesk
