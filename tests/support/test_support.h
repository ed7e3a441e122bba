// What the portable tests share (natively, and where they run under Wine too):
// the test corpus folder, running Debian tools that make reference files into
// the build folder or report on their standard output, and sound files built
// from samples.  No Windows headers, so native tests and the Windows harness
// link the same code.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// True when the shared test corpus (PLINTHAR_TESTDATA) is present and its
// reference tools can run: never in a Windows build, which cannot start them.
bool HaveTestData();
// The path of a file or folder of the corpus, relative to its root.
std::string TestData(const std::string& relative);
// The files named *extension (".gif") anywhere below dir, sorted; empty when
// dir is absent.
std::vector<std::filesystem::path> FilesUnder(const std::filesystem::path& dir,
                                              const std::string& extension);

// One shell argument: in single quotes, each quote in it closed, escaped and
// reopened ('\''), so that no character of a path is read by the shell.
std::string ShellQuote(const std::string& s);

// Running a tool that makes a file or a folder into the build folder.  The
// shell command writes the place named by each "@OUT@" in it (quoted in), with
// its standard error discarded.  It writes under a temporary name beside the
// target (the target's name, ".tmp" and the process id; for a file also the
// target's extension, from which tools choose the format to write): renamed to
// the target once the command exited with 0, removed when it failed.  So a
// failed or interrupted run leaves nothing, and tests running side by side
// never see half of a result.
//
// A file is made anew on every call.  Returns out, or "" when the tool failed.
std::string MakeWithTool(std::string command, const std::string& out);
// A folder is made once and then kept (a cache of references shared by
// processes): true at once when it is there.  The command finds @OUT@ created
// and empty.  True when the folder is there after the call.
bool MakeFolderWithTool(std::string command, const std::string& dir);
// Runs a shell command and gives what it wrote to standard output; *status
// (when given) gets its exit status, -1 when it could not be started.
std::string ToolOutput(const std::string& command, int* status = nullptr);

// A 16-bit PCM RIFF/WAVE file image of interleaved samples (channels of them
// a frame).
std::string WaveFile16(int channels, int rate, const std::vector<int16_t>& samples);

} // namespace testsupport
