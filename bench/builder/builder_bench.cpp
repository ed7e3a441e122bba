// Builds a saver from about 200 MB of pictures (JPEG, BMP and GIF, made with
// ImageMagick at run time) with the command-line builder, and compares its
// throughput with zlib's own compress2 at level 9 over the same bytes, the
// floor no builder of one zlib stream per file can beat.  Also reports the
// builder's peak resident memory against the largest file.
//
//   builder_bench <plinthar-build> [work folder] [megabytes]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include "app/album.h"

namespace {

double CpuSeconds(const struct rusage& u) {
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double SelfCpu() {
    struct rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return CpuSeconds(u);
}

double Now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::vector<uint8_t> out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    std::fseek(f, 0, SEEK_END);
    out.resize(size_t(std::ftell(f)));
    std::fseek(f, 0, SEEK_SET);
    if (std::fread(out.data(), 1, out.size(), f) != out.size()) out.clear();
    std::fclose(f);
    return out;
}

bool WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool Run(const std::string& cmd) {
    return std::system(cmd.c_str()) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: builder_bench <plinthar-build> [work folder] [megabytes]\n");
        return 2;
    }
    std::string tool = argv[1];
    std::string work = argc > 2 ? argv[2] : "/tmp/plinthar-builder-bench";
    double wantMB = argc > 3 ? std::atof(argv[3]) : 200.0;
    std::string pics = work + "/album/pics";
    if (!Run("mkdir -p '" + pics + "' '" + work + "/kit' '" + work + "/out'")) return 1;

    // Three pictures of each kind, different content, made once and reused.
    struct Base {
        std::string name, make;
    } bases[] = {
        {"plasma.jpg", "-size 2400x1800 plasma:fractal -quality 92"},
        {"noise.jpg", "-size 2000x1500 plasma:red-blue -blur 0x1 -quality 85"},
        {"grad.bmp", "-size 2400x1800 gradient:navy-gold -swirl 120 -type TrueColor"},
        {"plasma.bmp", "-size 2000x1500 plasma:fractal -type TrueColor"},
        {"plasma.gif", "-size 1600x1200 plasma:fractal -colors 256"},
        {"tile.gif", "-size 1600x1200 pattern:checkerboard -swirl 200 -colors 64"},
    };
    std::string seed = work + "/seed";
    Run("mkdir -p '" + seed + "'");
    for (const Base& b : bases) {
        struct stat st;
        std::string path = seed + "/" + b.name;
        if (::stat(path.c_str(), &st) == 0) continue;
        std::fprintf(stderr, "making %s\n", b.name.c_str());
        if (!Run("convert -seed 7 " + b.make + " '" + path + "'")) return 1;
    }
    std::vector<std::vector<uint8_t>> seedBytes;
    for (const Base& b : bases)
        seedBytes.push_back(ReadAll(seed + "/" + b.name));

    // Copies, each made distinct by a changed byte in its last kilobyte, until the size is reached.
    std::vector<std::string> files;
    double total = 0;
    size_t largest = 0;
    for (int i = 0; total < wantMB * 1e6; ++i) {
        const Base& b = bases[i % 6];
        std::vector<uint8_t> bytes = seedBytes[i % 6];
        if (bytes.size() > 2048) bytes[bytes.size() - 1024] ^= uint8_t(i);
        std::string name = std::to_string(i) + "_" + b.name;
        if (!WriteAll(pics + "/" + name, bytes)) return 1;
        files.push_back(pics + "/" + name);
        total += double(bytes.size());
        if (bytes.size() > largest) largest = bytes.size();
    }
    // A forked child starts with the parent's resident pages counted in its
    // peak: the bench holds nothing large while it starts the builder.
    std::vector<std::vector<uint8_t>>().swap(seedBytes);
    std::vector<std::string> entries;
    for (const std::string& f : files)
        entries.push_back("\\pics\\" + f.substr(pics.size() + 1));
    WriteAll(work + "/album/bench.alb", EncodeAlbum(entries, {}));
    WriteAll(work + "/album/bench.ini",
             std::vector<uint8_t>{'[', 'O', 'p', 't', 'i', 'o', 'n', 's', ']', '\n'});
    WriteAll(work + "/kit/setup.ex_", std::vector<uint8_t>(65536, 0x4D));
    WriteAll(work + "/kit/Plinthar.scr", std::vector<uint8_t>(400000, 0x11));
    WriteAll(work + "/kit/Uninstall.exe", std::vector<uint8_t>(20000, 0x22));

    // The floor: compress2 at level 9, one call per file, over the same bytes
    // (read from disk like the builder does).
    double floorBytes = 0, floorCpu = 1e30;
    auto floorRun = [&]() {
        double t0 = Now(), c0 = SelfCpu();
        floorBytes = 0;
        for (const std::string& f : files) {
            std::vector<uint8_t> in = ReadAll(f);
            uLongf outLen = compressBound(uLong(in.size()));
            std::vector<uint8_t> out(outLen);
            if (compress2(out.data(), &outLen, in.data(), uLong(in.size()), 9) != Z_OK) return -1.0;
            floorBytes += double(in.size());
        }
        floorCpu = std::min(floorCpu, SelfCpu() - c0);
        return Now() - t0;
    };

    // The builder, as a separate process so that its peak memory is its own.
    std::string out = work + "/out";
    struct Build {
        double seconds;
        long peakKiB;
        double cpu;
    };
    auto buildRun = [&](const std::string& jobs) -> Build {
        std::vector<std::string> args = {tool,
                                         "--album",
                                         work + "/album/bench.alb",
                                         "--settings",
                                         work + "/album/bench.ini",
                                         "--name",
                                         "Bench",
                                         "--publisher",
                                         "Bench",
                                         "--output",
                                         out,
                                         "--kit",
                                         work + "/kit",
                                         "--replace",
                                         "--quiet",
                                         "--jobs",
                                         jobs};
        std::vector<char*> argvChild;
        for (std::string& a : args)
            argvChild.push_back(&a[0]);
        argvChild.push_back(nullptr);
        double t0 = Now();
        pid_t pid = fork();
        if (pid == 0) {
            execv(argvChild[0], argvChild.data());
            _exit(127);
        }
        int status = 0;
        struct rusage usage {};
        wait4(pid, &status, 0, &usage);
        double seconds = Now() - t0;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {-1, 0, 0};
        return {seconds, usage.ru_maxrss, CpuSeconds(usage)};
    };

    // Alternated and repeated: the machine is shared, the best of each counts.
    double floorSeconds = 1e30;
    Build one{1e30, 0, 1e30}, two{1e30, 0, 1e30};
    for (int round = 0; round < 2; ++round) {
        double f = floorRun();
        Build b1 = buildRun("1");
        Build b2 = buildRun("2");
        if (f < 0 || b1.seconds < 0 || b2.seconds < 0) {
            std::fprintf(stderr, "a run failed\n");
            return 1;
        }
        floorSeconds = std::min(floorSeconds, f);
        if (b1.seconds < one.seconds) one.seconds = b1.seconds;
        one.peakKiB = std::max(one.peakKiB, b1.peakKiB);
        one.cpu = std::min(one.cpu, b1.cpu);
        if (b2.seconds < two.seconds) two.seconds = b2.seconds;
        two.peakKiB = std::max(two.peakKiB, b2.peakKiB);
    }
    struct stat st;
    ::stat((out + "/Bench.exe").c_str(), &st);

    double mb = floorBytes / 1e6;
    std::printf("pictures:         %zu files, %.1f MB, largest %.1f MB\n", files.size(), mb,
                double(largest) / 1e6);
    std::printf("compress2 level 9: %.2f s, %.1f MB/s\n", floorSeconds, mb / floorSeconds);
    std::printf("plinthar-build:    %.2f s, %.1f MB/s (%.3f x the floor), output %.1f MB\n",
                one.seconds, mb / one.seconds, floorSeconds / one.seconds,
                double(st.st_size) / 1e6);
    std::printf("processor time:    compress2 %.2f s, plinthar-build %.2f s (%.3f x the floor)\n",
                floorCpu, one.cpu, floorCpu / one.cpu);
    std::printf("peak memory:       %.1f MiB = %.2f x the largest file\n", one.peakKiB / 1024.0,
                double(one.peakKiB) * 1024.0 / double(largest));
    std::printf("--jobs 2:          %.2f s (%.2f x one job), peak %.1f MiB\n", two.seconds,
                one.seconds / two.seconds, two.peakKiB / 1024.0);
    return 0;
}
