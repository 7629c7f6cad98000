// Console lines: where they go and how the arguments arrive.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vesk::platform {

class ConsoleWriter {
public:
    virtual ~ConsoleWriter() = default;
    // A write that fails or falls short is kept for Flush to tell.
    virtual void Write(std::wstring_view text) = 0;
    // Sends on what is buffered. False when any write so far failed or fell
    // short; ErrorText then says why.
    virtual bool Flush() { return true; }
    virtual std::wstring ErrorText() const { return L""; }
    // A console a person watches, not a file or a pipe.
    virtual bool IsInteractive() const { return false; }
};

// The output of console mode, or null when the program has none. On Windows:
// standard output as UTF-8 when it is redirected to a file or a pipe;
// otherwise the console the program was started from, or already has. POSIX:
// standard output as UTF-8.
std::unique_ptr<ConsoleWriter> OpenConsoleOutput();

// Standard error as UTF-8, or null when the program has none.
std::unique_ptr<ConsoleWriter> OpenErrorOutput();

// The first Ctrl+C (SIGINT; on Windows also Ctrl+Break) calls `handler`, from
// a signal handler or another thread, instead of ending the program; the
// second ends it as usual.
void CallOnFirstInterrupt(void (*handler)());

// The program's arguments as the system split them, the program path first.
std::vector<std::wstring> CommandLineArguments(int argc, char** argv);

// A console program's caller waits for an Enter after a windowed program has
// written to its console; give it one when that console is in front. Nothing
// to do where programs do not share consoles this way.
void ReleaseConsolePrompt();

} // namespace vesk::platform
