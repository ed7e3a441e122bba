#include "tests/support/test_support.h"

#include <unistd.h>
#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "common/byte_io.h"

namespace fs = std::filesystem;

namespace testsupport {

namespace {

fs::path TemporaryBeside(const fs::path& target, const std::string& extension) {
    fs::path tmp = target;
    tmp += ".tmp" + std::to_string(getpid()) + extension;
    return tmp;
}

// Runs command with each @OUT@ naming tmp; its standard error is discarded
// (the whole command's, a pipeline's or a list's too).
bool RunInto(std::string command, const fs::path& tmp) {
    for (size_t at; (at = command.find("@OUT@")) != std::string::npos;)
        command.replace(at, 5, ShellQuote(tmp.string()));
    return std::system(("(" + command + ") 2>/dev/null").c_str()) == 0;
}

// The exit status of a finished shell command as std::system and pclose give it.
int ExitStatus(int raw) {
#if defined(_WIN32)
    return raw;
#else
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
}

} // namespace

bool HaveTestData() {
#if defined(_WIN32)
    return false;
#else
    return fs::is_directory(PLINTHAR_TESTDATA);
#endif
}

std::string TestData(const std::string& relative) {
    return std::string(PLINTHAR_TESTDATA) + "/" + relative;
}

std::vector<fs::path> FilesUnder(const fs::path& dir, const std::string& extension) {
    std::vector<fs::path> out;
    std::error_code ec;
    for (auto& e : fs::recursive_directory_iterator(dir, ec))
        if (e.is_regular_file() && e.path().extension() == extension) out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string MakeWithTool(std::string command, const std::string& out) {
    const fs::path target(out);
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    const fs::path tmp = TemporaryBeside(target, target.extension().string());
    if (!RunInto(std::move(command), tmp)) {
        fs::remove(tmp, ec);
        return "";
    }
    fs::rename(tmp, target, ec);
    if (ec) {
        fs::remove(tmp, ec);
        return "";
    }
    return out;
}

bool MakeFolderWithTool(std::string command, const std::string& dir) {
    const fs::path target(dir);
    std::error_code ec;
    if (fs::is_directory(target, ec)) return true;
    const fs::path tmp = TemporaryBeside(target, "");
    fs::remove_all(tmp, ec);
    fs::create_directories(tmp, ec);
    if (!RunInto(std::move(command), tmp)) {
        fs::remove_all(tmp, ec);
        return false;
    }
    fs::rename(tmp, target, ec);
    if (ec) fs::remove_all(tmp, ec); // another process made it first
    return fs::is_directory(target, ec);
}

std::string ToolOutput(const std::string& command, int* status) {
    std::string text;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        if (status) *status = -1;
        return text;
    }
    char chunk[65536];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        text.append(chunk, n);
    const int raw = pclose(pipe);
    if (status) *status = raw == -1 ? -1 : ExitStatus(raw);
    return text;
}

std::string WaveFile16(int channels, int rate, const std::vector<int16_t>& samples) {
    // RIFF header 12 bytes, "fmt " chunk 8 + 16, "data" chunk header 8: the
    // RIFF size counts all but its own 8 bytes, so 36 plus the samples.
    const uint32_t data = uint32_t(samples.size() * 2);
    ByteWriter w;
    w.Text("RIFF");
    w.U32(36 + data);
    w.Text("WAVEfmt ");
    w.U32(16);
    w.U16(1); // PCM
    w.U16(uint16_t(channels));
    w.U32(uint32_t(rate));
    w.U32(uint32_t(rate * channels * 2)); // bytes a second
    w.U16(uint16_t(channels * 2));        // bytes a frame
    w.U16(16);
    w.Text("data");
    w.U32(data);
    for (int16_t v : samples)
        w.U16(uint16_t(v));
    return std::string(w.Data().begin(), w.Data().end());
}

} // namespace testsupport
