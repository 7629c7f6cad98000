// The native console program: `vesk PATH...` prints the digests of each file,
// and of the files directly inside each folder, with the settings of vesk.ini
// beside the program.
#include "app/ConsoleCheck.h"
#include "app/ConsoleMode.h"
#include "core/ColumnTable.h"
#include "platform/Console.h"

#include <clocale>

int main(int argc, char** argv) {
    // Dates in the user's own format.
    std::setlocale(LC_ALL, "");
    using namespace vesk;
    const std::unique_ptr<platform::ConsoleWriter> output = platform::OpenConsoleOutput();
    const std::unique_ptr<platform::ConsoleWriter> errors = platform::OpenErrorOutput();

    const ConsoleCommand command = ParseConsoleArguments(platform::CommandLineArguments(argc, argv));
    switch (command.kind) {
    case ConsoleCommand::Kind::Help:
        output->Write(kConsoleUsage + (L"\n" + ConsoleVersionLine()));
        return FinishConsoleOutput(*output, errors.get(), kExitSuccess);
    case ConsoleCommand::Kind::Version:
        output->Write(ConsoleVersionLine());
        return FinishConsoleOutput(*output, errors.get(), kExitSuccess);
    case ConsoleCommand::Kind::Error:
        errors->Write(command.error.empty() ? std::wstring(kConsoleUsage)
                                            : L"vesk: " + command.error + L"\nTry 'vesk --help'.\n");
        return kExitUsage;
    case ConsoleCommand::Kind::Check:
        break;
    case ConsoleCommand::Kind::Hash:
        break;
    }
    const ConsoleInterrupt interrupt;
    if (command.kind == ConsoleCommand::Kind::Check)
        return interrupt.Finish(RunConsoleCheck({command.paths, output.get(), errors.get()}), errors.get());
    ConsoleRun run;
    run.paths = command.paths;
    run.settings = SettingsFile::BesideExecutable();
    run.output = output.get();
    run.errors = errors.get();
    run.reportFailures = true;
    if (command.sums)
        return interrupt.Finish(RunConsoleSums(run, *command.sums, SharedViewState()), errors.get());
    return interrupt.Finish(RunConsole(run, SharedViewState()), errors.get());
}
