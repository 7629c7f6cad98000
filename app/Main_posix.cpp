// The native console program: `vesk PATH...` prints the digests of each file,
// and of the files directly inside each folder, with the settings of vesk.ini
// beside the program.
#include "app/AppVersion.h"
#include "app/ConsoleMode.h"
#include "core/ColumnTable.h"
#include "platform/Console.h"

#include <clocale>

namespace {

constexpr wchar_t kUsage[] =
    L"Usage: vesk [--] PATH...\n"
    L"Print the digests of each file PATH and of the files directly inside each folder PATH.\n"
    L"The algorithms, the letter case and the file-name form come from vesk.ini beside\n"
    L"the program, the settings file of the Windows program.\n"
    L"\n"
    L"  -h, --help     show this help and exit\n"
    L"      --version  show the version and exit\n"
    L"\n"
    L"Exit status: 0 when every path was hashed, 1 when a path could not be read or\n"
    L"the output not written, 2 on a usage error or when no algorithm is selected.\n";

std::wstring VersionLine() {
    return std::wstring(L"vesk ") + vesk::kProgramVersion + L" (" + vesk::kReleaseDate + L")\n";
}

} // namespace

int main(int argc, char** argv) {
    // Dates in the user's own format.
    std::setlocale(LC_ALL, "");
    using namespace vesk;
    const std::unique_ptr<platform::ConsoleWriter> output = platform::OpenConsoleOutput();
    const std::unique_ptr<platform::ConsoleWriter> errors = platform::OpenErrorOutput();

    ConsoleRun run;
    bool optionsEnd = false;
    const std::vector<std::wstring> arguments = platform::CommandLineArguments(argc, argv);
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (optionsEnd || argument.size() < 2 || argument[0] != L'-') {
            run.paths.push_back(argument);
        } else if (argument == L"--") {
            optionsEnd = true;
        } else if (argument == L"-h" || argument == L"--help") {
            output->Write(kUsage + (L"\n" + VersionLine()));
            return FinishConsoleOutput(*output, errors.get(), kExitSuccess);
        } else if (argument == L"--version") {
            output->Write(VersionLine());
            return FinishConsoleOutput(*output, errors.get(), kExitSuccess);
        } else {
            errors->Write(L"vesk: unknown option " + argument + L"\nTry 'vesk --help'.\n");
            return kExitUsage;
        }
    }
    if (run.paths.empty()) {
        errors->Write(kUsage);
        return kExitUsage;
    }
    run.settings = SettingsFile::BesideExecutable();
    run.output = output.get();
    run.errors = errors.get();
    run.reportFailures = true;
    return RunConsole(run, SharedViewState());
}
