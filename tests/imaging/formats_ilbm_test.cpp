// ILBM reader: the tool-made ILBM files (16 and 256 colours, ByteRun1 and
// plain, HAM6, HAM8, 24-plane) decode to netpbm's ilbmtoppm pixels; files built
// here cover the mask plane, extra half-brite and the chunk checks.
#include <gtest/gtest.h>

#include <cstring>

#include "common/byte_io.h"
#include "tests/imaging/formats_support.h"

namespace {

TEST(IlbmCorpus, FilesMatchIlbmtoppm) {
    if (!HaveTestData()) GTEST_SKIP() << "no test data";
    int decoded = 0;
    for (const auto& path : FilesIn(TestData("generated/ilbm"), ".ilbm")) {
        std::string name = FileStem(path);
        FormatImage ours = DecodeFile(kFormatIlbm, path);
        EXPECT_EQ(ours.rc, 0) << name << ": " << codec_error_text(ours.rc);
        FormatImage ref = OracleDecode("/usr/bin/ilbmtoppm " + ShellQuote(path), "ilbm-" + name);
        EXPECT_EQ(ref.rc, 0) << name;
        if (ours.rc || ref.rc) continue;
        EXPECT_EQ(ComparePixels(ours, ref), "") << name;
        ++decoded;
    }
    EXPECT_EQ(decoded, 6);
}

void Chunk(ByteWriter& w, const char* id, const std::vector<uint8_t>& data) {
    w.Bytes(id, 4);
    uint32_t n = uint32_t(data.size());
    w.U8(uint8_t(n >> 24));
    w.U8(uint8_t(n >> 16));
    w.U8(uint8_t(n >> 8));
    w.U8(uint8_t(n));
    w.Bytes(data.data(), data.size());
    if (n & 1) w.U8(0);
}

std::vector<uint8_t> Bmhd(int w, int h, int planes, int mask, int comp) {
    return {
        0, uint8_t(w), 0, uint8_t(h), 0, 0, 0, 0, uint8_t(planes), uint8_t(mask), uint8_t(comp), 0,
        0, 0,          1, 1,          0, 0, 0, 0};
}

std::vector<uint8_t> Form(const std::vector<std::pair<const char*, std::vector<uint8_t>>>& chunks) {
    ByteWriter body;
    body.Text("ILBM");
    for (const auto& c : chunks)
        Chunk(body, c.first, c.second);
    ByteWriter w;
    w.Text("FORM");
    uint32_t n = uint32_t(body.Data().size());
    for (int k = 3; k >= 0; --k)
        w.U8(uint8_t(n >> (8 * k)));
    w.Bytes(body.Data().data(), n);
    return w.Data();
}

TEST(IlbmBuilt, MaskPlaneAndHalfBrite) {
    // 6 planes with extra half-brite, 2 x 1 pixels, plus a mask plane that
    // must be skipped: pixel 0 = 33 (colour 1 halved), pixel 1 = 1.
    std::vector<uint8_t> cmap(32 * 3, 0);
    cmap[3] = 200;
    cmap[4] = 100;
    cmap[5] = 50;
    std::vector<uint8_t> rows;
    const uint8_t planeBits[6] = {0xC0, 0, 0, 0, 0, 0x80}; // bit k of each pixel
    for (uint8_t p : planeBits)
        rows.insert(rows.end(), {p, 0});
    rows.insert(rows.end(), {0xFF, 0xFF}); // the mask
    auto file = Form(
        {{"BMHD", Bmhd(2, 1, 6, 1, 0)}, {"CMAP", cmap}, {"CAMG", {0, 0, 0, 0x80}}, {"BODY", rows}});
    FormatImage img = DecodeBytes(kFormatIlbm, file);
    ASSERT_EQ(img.rc, 0) << codec_error_text(img.rc);
    EXPECT_EQ(img.bpp, 8);
    EXPECT_EQ(img.rgb, (std::vector<uint8_t>{100, 50, 25, 200, 100, 50}));
}

TEST(IlbmBuilt, ChunkChecks) {
    auto body = std::vector<uint8_t>(4, 0);
    struct Case {
        std::vector<uint8_t> file;
        int rc;
    } cases[] = {
        {Form({{"BMHD", Bmhd(2, 1, 1, 0, 0)}, {"BODY", body}}), 0},
        {Form({{"BMHD", Bmhd(2, 1, 1, 0, 0)}, {"BMHD", Bmhd(2, 1, 1, 0, 0)}, {"BODY", body}}), 902},
        {Form({{"BODY", body}}), 903},
        {Form({{"BMHD", std::vector<uint8_t>(18, 0)}, {"BODY", body}}), 904},
        {Form({{"BMHD", Bmhd(2, 1, 9, 0, 0)}, {"BODY", body}}), 905},
        {Form({{"BMHD", Bmhd(2, 1, 7, 0, 0)}, {"CAMG", {0, 0, 8, 0}}, {"BODY", body}}), 905},
        {Form({{"BMHD", Bmhd(2, 1, 1, 0, 0)}, {"CMAP", {1, 2}}, {"BODY", body}}), 906},
        {Form({{"BMHD", Bmhd(2, 1, 1, 0, 2)}, {"BODY", body}}), 907},
        {Form({{"BMHD", Bmhd(2, 1, 1, 0, 0)}, {"CAMG", {0, 0}}, {"BODY", body}}), 908},
        {Form({{"BMHD", Bmhd(2, 1, 1, 0, 0)}, {"SHAM", {0, 1}}, {"BODY", body}}), 909},
        {Form({{"BMHD", Bmhd(0, 1, 1, 0, 0)}, {"BODY", body}}), 6},
        {Form({{"BMHD", Bmhd(2, 200, 8, 0, 0)}, {"BODY", body}}), 7},
        {Form({{"BMHD", Bmhd(2, 1, 1, 0, 1)}, {"BODY", {0x81}}}), 7},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
        EXPECT_EQ(DecodeBytes(kFormatIlbm, cases[i].file).rc, cases[i].rc) << i;
    auto notForm = Form({});
    notForm[0] = 'X';
    EXPECT_EQ(DecodeBytes(kFormatIlbm, notForm).rc, 900);
    auto pbm = Form({});
    std::memcpy(&pbm[8], "PBM ", 4);
    EXPECT_EQ(DecodeBytes(kFormatIlbm, pbm).rc, 901);
}

} // namespace
