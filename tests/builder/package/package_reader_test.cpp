#include "builder/package/package_reader.h"

#include <gtest/gtest.h>

#include "common/byte_io.h"
#include "package_test_util.h"

namespace {

const std::vector<uint8_t> kStub(1000, 0xCC);

std::vector<TestFile> Files() {
    return {{"a.jpg", std::vector<uint8_t>(5000, 'a')},
            {"b.ini", {'[', 'x', ']'}},
            {"c.wav", std::vector<uint8_t>(70000, 'c')}};
}

TEST(PackageReader, ReadsEveryEntryBack) {
    std::vector<uint8_t> pkg = BuildTestPackage(kStub, Files());
    MemorySource src(pkg);
    PackageReader r(src, pkg.size());
    ASSERT_EQ(r.Open(), PackageResult::Ok);
    EXPECT_EQ(r.FirstEntryOffset(), kStub.size());
    EXPECT_EQ(r.Trailer().entryCount, 3u);
    ASSERT_EQ(r.Verify(), PackageResult::Ok);
    for (const TestFile& f : Files()) {
        PackageEntry e;
        ASSERT_EQ(r.Next(e), PackageResult::Ok);
        EXPECT_EQ(e.header.fileName, f.name);
        std::vector<uint8_t> data;
        ASSERT_EQ(r.Extract(e, data), PackageResult::Ok);
        EXPECT_EQ(data, f.bytes);
    }
    EXPECT_TRUE(r.AtEnd());
    PackageEntry e;
    EXPECT_EQ(r.Next(e), PackageResult::Invalid);
}

TEST(PackageReader, PackageWithoutStubStartsAtZero) {
    std::vector<uint8_t> pkg = BuildTestPackage({}, Files());
    MemorySource src(pkg);
    PackageReader r(src, pkg.size());
    ASSERT_EQ(r.Open(), PackageResult::Ok);
    EXPECT_EQ(r.Trailer().firstEntryPlusOne, 1u);
    EXPECT_EQ(r.Verify(), PackageResult::Ok);
}

// Damage done to a good package, and where the reader must notice it.
enum class Stage { Open, Verify, Extract };

TEST(PackageReader, RefusesDamagedPackages) {
    const std::vector<uint8_t> good = BuildTestPackage(kStub, Files());
    const size_t trailer = good.size() - kPackageTrailerSize;
    const size_t e1 = TestEntryOffset(good, kStub.size(), 1);
    const size_t e2 = TestEntryOffset(good, kStub.size(), 2);
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
        Stage stage;
    } cases[] = {
        {"one extra byte", [](std::vector<uint8_t>& p) { p.push_back(0); }, Stage::Open},
        {"one byte short", [](std::vector<uint8_t>& p) { p.erase(p.begin()); }, Stage::Open},
        {"shorter than a trailer", [](std::vector<uint8_t>& p) { p.resize(100); }, Stage::Open},
        {"trailer length 491", [&](std::vector<uint8_t>& p) { StoreLE32(&p[trailer], 491); },
         Stage::Open},
        {"first entry field 0", [&](std::vector<uint8_t>& p) { StoreLE32(&p[trailer + 12], 0); },
         Stage::Open},
        {"first entry inside the trailer",
         [&](std::vector<uint8_t>& p) { StoreLE32(&p[trailer + 12], uint32_t(trailer + 2)); },
         Stage::Open},
        {"first entry far beyond",
         [&](std::vector<uint8_t>& p) { StoreLE32(&p[trailer + 12], 0xFFFFFFFFu); }, Stage::Open},
        {"first entry one byte late",
         [&](std::vector<uint8_t>& p) { StoreLE32(&p[trailer + 12], uint32_t(kStub.size() + 2)); },
         Stage::Verify},
        {"count one too many", [&](std::vector<uint8_t>& p) { StoreLE32(&p[trailer + 8], 4); },
         Stage::Verify},
        {"wrong uncompressed total",
         [&](std::vector<uint8_t>& p) { StoreLE32(&p[trailer + 484], 1); }, Stage::Verify},
        {"compressed size runs into the trailer",
         [&](std::vector<uint8_t>& p) {
             StoreLE32(&p[e2 + 268], uint32_t(trailer - e2 - kEntryHeaderSize + 1));
         },
         Stage::Verify},
        {"compressed size 4 GB",
         [&](std::vector<uint8_t>& p) { StoreLE32(&p[e1 + 268], 0xFFFFFFFFu); }, Stage::Verify},
        {"uncompressed size beyond deflate's ratio",
         [&](std::vector<uint8_t>& p) { StoreLE32(&p[e1 + 272], 0xFFFFFFF0u); }, Stage::Verify},
        {"magic mf", [&](std::vector<uint8_t>& p) { p[e1 + 2] = 'm'; }, Stage::Verify},
        {"header length 1069", [&](std::vector<uint8_t>& p) { p[e1] = 0x2D; }, Stage::Verify},
        {"unterminated file name",
         [&](std::vector<uint8_t>& p) { std::fill(&p[e1 + 5], &p[e1 + 268], 'x'); }, Stage::Verify},
        {"uncompressed size one less", [&](std::vector<uint8_t>& p) { StoreLE32(&p[e1 + 272], 2); },
         Stage::Extract},
        {"uncompressed size one more", [&](std::vector<uint8_t>& p) { StoreLE32(&p[e1 + 272], 4); },
         Stage::Extract},
        {"damaged data", [&](std::vector<uint8_t>& p) { p[e1 + kEntryHeaderSize + 4] ^= 0xFF; },
         Stage::Extract},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> pkg = good;
        c.damage(pkg);
        MemorySource src(pkg);
        PackageReader r(src, pkg.size());
        PackageResult opened = r.Open();
        if (c.stage == Stage::Open) {
            EXPECT_NE(opened, PackageResult::Ok) << c.what;
            continue;
        }
        ASSERT_EQ(opened, PackageResult::Ok) << c.what;
        PackageResult verified = r.Verify();
        if (c.stage == Stage::Verify) {
            EXPECT_NE(verified, PackageResult::Ok) << c.what;
            continue;
        }
        PackageResult worst = PackageResult::Ok;
        PackageEntry e;
        while (!r.AtEnd() && r.Next(e) == PackageResult::Ok) {
            std::vector<uint8_t> data;
            PackageResult x = r.Extract(e, data);
            if (x != PackageResult::Ok) worst = x;
        }
        EXPECT_EQ(worst, PackageResult::Invalid) << c.what;
    }
}

TEST(PackageReader, TruncatedEntryIsRefusedAtEveryCut) {
    // A package cut inside its entries, with a trailer that claims the cut length.
    std::vector<uint8_t> whole = BuildTestPackage(kStub, Files());
    const size_t e2 = TestEntryOffset(whole, kStub.size(), 2);
    for (size_t cut : {e2 + 1, e2 + kEntryHeaderSize - 1, e2 + kEntryHeaderSize + 10}) {
        std::vector<uint8_t> pkg(whole.begin(), whole.begin() + cut);
        pkg.insert(pkg.end(), whole.end() - kPackageTrailerSize, whole.end());
        StoreLE32(&pkg[pkg.size() - kPackageTrailerSize + 4], uint32_t(pkg.size()));
        MemorySource src(pkg);
        PackageReader r(src, pkg.size());
        ASSERT_EQ(r.Open(), PackageResult::Ok) << cut;
        EXPECT_EQ(r.Verify(), PackageResult::Invalid) << cut;
    }
}

TEST(PackageReader, SinkMayStopTheExtraction) {
    std::vector<uint8_t> pkg = BuildTestPackage(kStub, Files());
    MemorySource src(pkg);
    PackageReader r(src, pkg.size());
    ASSERT_EQ(r.Open(), PackageResult::Ok);
    PackageEntry e;
    ASSERT_EQ(r.Next(e), PackageResult::Ok);
    EXPECT_EQ(r.Extract(e, [](const uint8_t*, size_t) { return false; }), PackageResult::SinkError);
}

} // namespace
