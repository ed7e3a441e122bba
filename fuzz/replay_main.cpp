// Plain entry point for fuzz targets outside libFuzzer: runs the target once on
// each file named on the command line (folders are walked).  A replay must
// prove something: when a named seed folder is absent (the shared corpus is not
// on this machine) the run reports itself skipped with exit code 77, which the
// build declares as the test's skip code; a run that finds no input at all fails.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

constexpr int kSkipped = 77;

void RunFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    size_t runs = 0;
    bool absent = false;
    for (int i = 1; i < argc; ++i) {
        fs::path p(argv[i]);
        std::error_code ec;
        if (fs::is_directory(p, ec)) {
            for (auto& e : fs::recursive_directory_iterator(p, ec))
                if (e.is_regular_file()) RunFile(e.path()), ++runs;
        } else if (fs::is_regular_file(p, ec)) {
            RunFile(p), ++runs;
        } else {
            std::fprintf(stderr, "absent: %s\n", argv[i]);
            absent = true;
        }
    }
    std::printf("replayed %zu inputs\n", runs);
    if (absent) return kSkipped;
    if (runs == 0) {
        std::fprintf(stderr, "no input to replay\n");
        return 1;
    }
    return 0;
}
