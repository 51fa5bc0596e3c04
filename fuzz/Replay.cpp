// The replay of a fuzz target outside libFuzzer: every file of the folders
// given (the target's regressions and seeds) through the target's
// LLVMFuzzerTestOneInput, in name order, in the sanitized build of the tests.
// A crash, a sanitizer report or a failed check ends the run with the file's
// name; so does a file that takes longer than its time bound.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

namespace {

// The file being run, for the messages of the signal handlers.
char GCurrent[4096];
constexpr unsigned kSecondsPerFile = 60;

void Say(const char* Text) {
    const ssize_t written = write(STDERR_FILENO, Text, std::strlen(Text));
    (void)written;
}

void OnTimeout(int) {
    Say("replay: timeout (more than 60 s) on ");
    Say(GCurrent);
    Say("\n");
    _exit(1);
}

void OnFault(int Signal) {
    Say("replay: fault on ");
    Say(GCurrent);
    Say("\n");
    signal(Signal, SIG_DFL);
    raise(Signal);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        std::error_code fault;
        if (!std::filesystem::is_directory(argv[i], fault)) continue;  // a target without regressions yet
        for (const auto& entry : std::filesystem::directory_iterator(argv[i]))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    signal(SIGALRM, OnTimeout);
    signal(SIGABRT, OnFault);
    signal(SIGSEGV, OnFault);
    double slowest = 0;
    std::string slowestName;
    for (const std::filesystem::path& file : files) {
        std::snprintf(GCurrent, sizeof GCurrent, "%s", file.c_str());
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // libFuzzer hands over a buffer of exactly the input's size.
        const auto copy = std::make_unique<uint8_t[]>(bytes.size() + 1);
        std::copy(bytes.begin(), bytes.end(), copy.get());
        const auto start = std::chrono::steady_clock::now();
        alarm(kSecondsPerFile);
        LLVMFuzzerTestOneInput(copy.get(), bytes.size());
        alarm(0);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (seconds > slowest) {
            slowest = seconds;
            slowestName = file.filename().string();
        }
    }
    std::printf("replayed %zu files; the slowest, %s, in %.3f s\n", files.size(), slowestName.c_str(), slowest);
    return 0;
}
