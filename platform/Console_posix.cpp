#include "platform/Console.h"

#include "platform/Platform.h"
#include "text/TextEncoding.h"

#include <cerrno>
#include <csignal>
#include <cstdio>

namespace vesk::platform {

namespace {

class StreamWriter : public ConsoleWriter {
public:
    explicit StreamWriter(std::FILE* stream) : stream_(stream) {}
    ~StreamWriter() override { std::fflush(stream_); }
    void Write(std::wstring_view text) override {
        const std::string bytes = WideToUtf8(text);
        if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size())
            Fail();
    }
    bool Flush() override {
        if (std::fflush(stream_) != 0)
            Fail();
        return error_ == 0;
    }
    std::wstring ErrorText() const override { return SystemErrorText(error_); }

private:
    void Fail() {
        if (error_ == 0)
            error_ = errno != 0 ? uint32_t(errno) : EIO;
    }

    std::FILE* stream_;
    uint32_t error_ = 0;
};

void (*interruptHandler)() = nullptr;

void OnInterrupt(int) {
    std::signal(SIGINT, SIG_DFL); // the next one ends the program
    interruptHandler();
}

} // namespace

std::unique_ptr<ConsoleWriter> OpenConsoleOutput() {
    return std::make_unique<StreamWriter>(stdout);
}

std::unique_ptr<ConsoleWriter> OpenErrorOutput() {
    return std::make_unique<StreamWriter>(stderr);
}

std::vector<std::wstring> CommandLineArguments(int argc, char** argv) {
    std::vector<std::wstring> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.push_back(Utf8ToWide(argv[i]));
    return arguments;
}

void ReleaseConsolePrompt() {}

void CallOnFirstInterrupt(void (*handler)()) {
    interruptHandler = handler;
    // A program started with Ctrl+C ignored (in the background of a script,
    // under nohup) keeps ignoring it.
    if (std::signal(SIGINT, OnInterrupt) == SIG_IGN)
        std::signal(SIGINT, SIG_IGN);
}

} // namespace vesk::platform
