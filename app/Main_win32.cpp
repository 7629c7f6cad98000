// Entry of vesk.exe: console mode when there is somewhere to print to and
// something to hash; otherwise the window.
#include "app/ConsoleMode.h"
#include "core/ColumnTable.h"
#include "platform/Console.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace vesk;
    std::unique_ptr<platform::ConsoleWriter> output = platform::OpenConsoleOutput();
    if (output) {
        const std::vector<std::wstring> arguments = platform::CommandLineArguments(0, nullptr);
        if (arguments.size() > 1) {
            std::unique_ptr<platform::ConsoleWriter> errors = platform::OpenErrorOutput();
            ConsoleRun run;
            run.paths.assign(arguments.begin() + 1, arguments.end());
            run.settings = SettingsFile::BesideExecutable();
            run.output = output.get();
            run.errors = errors ? errors.get() : output.get();
            // Until the Options dialog exists, an empty selection ends with a
            // message and status 2, as in the native program.
            const int status = RunConsole(run, SharedViewState());
            output.reset();
            platform::ReleaseConsolePrompt();
            return status;
        }
    }
    // The main window comes here.
    return 0;
}
