// The native console program: `vesk PATH...` prints the digests of each file,
// and of the files directly inside each folder, with the settings of vesk.ini
// beside the program.
#include "app/ConsoleCheck.h"
#include "app/ConsoleMode.h"
#include "platform/Console.h"

#include <clocale>

int main(int argc, char** argv) {
    // Dates in the user's own format.
    std::setlocale(LC_ALL, "");
    using namespace vesk;
    const std::unique_ptr<platform::ConsoleWriter> output = platform::OpenConsoleOutput();
    const std::unique_ptr<platform::ConsoleWriter> errors = platform::OpenErrorOutput();

    ConsoleRun run;
    run.settings = SettingsFile::BesideExecutable();
    run.output = output.get();
    run.errors = errors.get();
    run.reportFailures = true;
    return RunConsoleCommand(ParseConsoleArguments(platform::CommandLineArguments(argc, argv)),
                             std::move(run));
}
