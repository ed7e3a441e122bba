// Plain entry point for fuzz targets outside libFuzzer: runs the target once on
// each file named on the command line (folders are walked).  A missing path is
// reported and skipped, so a replay over an absent corpus does not fail.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static void RunFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    size_t runs = 0;
    for (int i = 1; i < argc; ++i) {
        fs::path p(argv[i]);
        std::error_code ec;
        if (fs::is_directory(p, ec)) {
            for (auto& e : fs::recursive_directory_iterator(p, ec))
                if (e.is_regular_file()) RunFile(e.path()), ++runs;
        } else if (fs::is_regular_file(p, ec)) {
            RunFile(p), ++runs;
        } else {
            std::fprintf(stderr, "skipped (absent): %s\n", argv[i]);
        }
    }
    std::printf("replayed %zu inputs\n", runs);
    return 0;
}
