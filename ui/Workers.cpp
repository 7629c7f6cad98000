#include "ui/Workers.h"

#include "ui/WindowSink.h"

#include <memory>

namespace vesk {

namespace {

struct WorkerStart {
    HWND mainWindow;
    IntakeRequest request;
};

DWORD WINAPI WorkerProc(void* parameter) {
    std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(parameter));
    WindowSink sink(start->mainWindow);
    RunIntakeRequest(start->request, {SharedViewState(), sink});
    return 0;
}

} // namespace

bool StartWorker(HWND mainWindow, IntakeRequest request) {
    auto start = std::make_unique<WorkerStart>(WorkerStart{mainWindow, std::move(request)});
    HANDLE thread = CreateThread(nullptr, 0, WorkerProc, start.get(), 0, nullptr);
    if (thread == nullptr)
        return false;
    start.release(); // the worker owns it now
    CloseHandle(thread);
    return true;
}

} // namespace vesk
