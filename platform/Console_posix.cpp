#include "platform/Console.h"

#include "core/TextEncoding.h"

#include <cstdio>

namespace vesk::platform {

namespace {

class StreamWriter : public ConsoleWriter {
public:
    explicit StreamWriter(std::FILE* stream) : stream_(stream) {}
    ~StreamWriter() override { std::fflush(stream_); }
    void Write(std::wstring_view text) override {
        const std::string bytes = WideToUtf8(text);
        std::fwrite(bytes.data(), 1, bytes.size(), stream_);
    }

private:
    std::FILE* stream_;
};

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

} // namespace vesk::platform
