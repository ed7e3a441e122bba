// GIF reader (GIF87a and GIF89a), one image per header read.  Frames of an
// animation are read in sequence: frame k + 1 starts at nextOffset + 1, the
// byte after frame k's data terminator, so it can only follow frame k's data.
//
// File layout (integers little-endian):
//   "GIF87a" | "GIF89a"
//   screen descriptor: u16 width, u16 height, u8 packed (bit 7 global table,
//                      bits 0-2 table bits - 1), u8 background index, u8 aspect
//   [global table: 3 x 2^bits bytes r, g, b]
//   blocks, each starting with an introducer byte:
//     0x21 label sub-blocks   extension; label 0xF9 = graphic control:
//                             u8 4, u8 packed (bits 2-4 disposal, bit 0 transparent),
//                             u16 delay (1/100 s), u8 transparent index, u8 0
//     0x2C                    image: u16 left, top, width, height, u8 packed
//                             (bit 7 local table, bit 6 interlaced, bits 0-2 bits - 1),
//                             [local table], u8 LZW minimum code size, data sub-blocks
//     0x3B                    trailer
//   sub-blocks: u8 n (1-255) then n bytes, ..., ended by a block of n = 0.
#include "imaging/codec_reader.h"

#include <memory>
#include <new>

#include "common/byte_io.h"

namespace {

constexpr int kGifErrBpp = 1100;
constexpr int kGifErrTrailer = 1101;
constexpr int kGifErrCodeSize = 1102;
constexpr int kGifErrCorrupt = 1103;
constexpr int kGifErrHeader = 1104;

constexpr int kMaxCodes = 4096; // 12-bit LZW codes
constexpr int kMaxCodeBits = 12;

// Kept in the header's private area between the three calls and between frames.
struct GifState {
    int32_t interlaced;
    int32_t globalBits; // bits of the global table (or of the substitute table)
    int32_t bits;       // bits of the table in force for the current image
    int32_t dataOffset; // position of the current image's LZW code size byte
    uint8_t global[256 * 3];
    uint8_t table[256 * 3];
};

int ReadU8(CodecByteSource& src, uint8_t* out) {
    int b = src.Byte();
    if (b < 0) return kCodecErrRead;
    *out = uint8_t(b);
    return kCodecOk;
}

// Skips data sub-blocks up to and including the zero-length terminator.
int SkipSubBlocks(CodecByteSource& src) {
    for (;;) {
        int n = src.Byte();
        if (n < 0) return kCodecErrRead;
        if (n == 0) return kCodecOk;
        if (!src.Skip(n)) return kCodecErrRead;
    }
}

int BppFromBits(int bits) {
    if (bits == 1) return 1;
    if (bits >= 2 && bits <= 4) return 4;
    if (bits >= 5 && bits <= 8) return 8;
    return 0;
}

int ReadScreen(CodecByteSource& src, CodecHeader* h, GifState* s) {
    uint8_t sig[6], lsd[7];
    if (!src.Read(sig, 6)) return kCodecErrRead;
    if (std::memcmp(sig, "GIF87a", 6) != 0 && std::memcmp(sig, "GIF89a", 6) != 0)
        return kCodecErrBadMagic;
    if (!src.Read(lsd, 7)) return kCodecErrRead;
    h->screenWidth = LoadLE16(lsd);
    h->screenHeight = LoadLE16(lsd + 2);
    h->delay = 0;
    h->controlFlags = 0;
    h->backgroundColor = 0;
    s->globalBits = (lsd[4] & 7) + 1;
    std::memset(s->global, 0, sizeof s->global);
    if (lsd[4] & 0x80) {
        if (!src.Read(s->global, 3 << s->globalBits)) return kCodecErrRead;
        const uint8_t* bg = s->global + 3 * lsd[5];
        h->transparentIndex = lsd[5];
        h->backgroundColor = int32_t(bg[0] | (bg[1] << 8) | (bg[2] << 16));
    } else {
        std::memset(s->global + 3, 0xFF, 3); // black, white, then black
        h->transparentIndex = -1;
    }
    return kCodecOk;
}

int ReadGraphicControl(CodecByteSource& src, CodecHeader* h) {
    uint8_t b[6];
    if (!src.Read(b, 6)) return kCodecErrRead;
    if (b[0] != 4) return kCodecErrRead;
    h->controlFlags = b[1];
    h->delay = LoadLE16(b + 2);
    h->transparentIndex = (b[1] & 1) ? b[4] : -1;
    return kCodecOk;
}

int ReadImageDescriptor(CodecByteSource& src, CodecHeader* h, GifState* s) {
    uint8_t d[9];
    if (!src.Read(d, 9)) return kCodecErrRead;
    h->left = LoadLE16(d);
    h->top = LoadLE16(d + 2);
    h->width = LoadLE16(d + 4);
    h->height = LoadLE16(d + 6);
    s->interlaced = (d[8] & 0x40) != 0;
    if (d[8] & 0x80) {
        s->bits = (d[8] & 7) + 1;
        if (!src.Read(s->table, 3 << s->bits)) return kCodecErrRead;
    }
    return kCodecOk;
}

int ReadHeader(const char*, CodecFile* f, CodecHeader* h, const char* options) {
    GifState* s = CodecPrivate<GifState>(h);
    int frame = 0;
    CodecFindValue(options, "index=", &frame);
    if (frame != 0) {
        if (h->nextOffset <= 0) return kCodecErrRead;
        if (CodecSeek(f, int64_t(h->nextOffset) + 1, kCodecSeekSet) < 0) return kCodecErrRead;
    }
    CodecByteSource src(f);
    if (frame == 0) {
        h->nextOffset = 0;
        if (int rc = ReadScreen(src, h, s)) return rc;
    }
    s->bits = s->globalBits;
    std::memcpy(s->table, s->global, sizeof s->table);
    for (;;) {
        int intro = src.Byte();
        if (intro < 0) return kCodecErrRead;
        if (intro == 0x21) {
            uint8_t label;
            if (int rc = ReadU8(src, &label)) return rc;
            int rc = label == 0xF9 ? ReadGraphicControl(src, h) : SkipSubBlocks(src);
            if (rc) return rc;
        } else if (intro == 0x2C) {
            if (int rc = ReadImageDescriptor(src, h, s)) return rc;
            break;
        } else if (intro == 0x3B) {
            return kGifErrTrailer;
        } else {
            return kGifErrHeader;
        }
    }
    int64_t pos = src.Position();
    if (pos < 0 || pos > INT32_MAX) return kCodecErrRead;
    s->dataOffset = int32_t(pos);
    h->bpp = BppFromBits(s->bits);
    if (!h->bpp) return kGifErrBpp;
    // Every code takes at least 3 bits and yields at most 4096 pixels, so the
    // rest of the file bounds the pixels it can fill; a larger image is refused
    // before anyone allocates for it.
    // (Fewer than 3 bytes - code size, block length, one byte of codes - is a
    // file cut short.)
    const int64_t end = CodecSeek(f, 0, kCodecSeekEnd);
    if (end < pos + 3) return kCodecErrRead;
    const int64_t maxPixels = int64_t(kMaxCodes) * ((end - pos) * 8 / 3);
    if (int64_t(h->width) * h->height > maxPixels) return kCodecErrBadSize;
    return kCodecOk;
}

int ReadPalette(CodecFile*, CodecHeader* h, uint8_t* palette) {
    const GifState* s = CodecPrivate<GifState>(h);
    int bpp = BppFromBits(s->bits);
    if (!bpp) return kGifErrBpp;
    std::memset(palette, 128, size_t(3) << bpp);
    std::memcpy(palette, s->table, size_t(3) << s->bits);
    return kCodecOk;
}

// ---- LZW data ----

// Codes of the data sub-blocks, least significant bit first.  Returns kEndOfData
// when the file or the image's sub-blocks end.
class CodeReader {
  public:
    static constexpr int kEndOfData = 0xFFFF;
    explicit CodeReader(CodecByteSource& src) : src_(src) {}

    int Next(int width) {
        while (count_ < width) {
            if (at_ == len_ && !NextBlock()) return kEndOfData;
            acc_ |= uint32_t(block_[at_++]) << count_;
            count_ += 8;
        }
        int code = int(acc_ & ((1u << width) - 1));
        acc_ >>= width;
        count_ -= width;
        return code;
    }
    // Moves to the byte after the data terminator (or the end of the file).
    // Returns the position of the terminator, or of the file's end.
    int64_t Finish() {
        while (!ended_)
            NextBlock();
        return terminator_;
    }

  private:
    bool NextBlock() {
        if (ended_) return false;
        int64_t here = src_.Position();
        int n = src_.Byte();
        if (n <= 0 || !src_.Read(block_, n)) {
            ended_ = true;
            terminator_ = n == 0 ? here : src_.Position();
            return false;
        }
        at_ = 0;
        len_ = n;
        return true;
    }

    CodecByteSource& src_;
    uint32_t acc_ = 0;
    int count_ = 0;
    int at_ = 0, len_ = 0;
    bool ended_ = false;
    int64_t terminator_ = -1;
    uint8_t block_[255];
};

// Hands out image rows top to bottom, or in the four interlace passes
// (every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1).
class RowOrder {
  public:
    RowOrder(int height, bool interlaced) : height_(height), interlaced_(interlaced) {}
    // The next image row, or -1 when every row has been handed out.
    int Next() {
        if (!interlaced_) return next_ < height_ ? next_++ : -1;
        static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
        while (pass_ < 4) {
            if (next_ < 0) next_ = kStart[pass_];
            if (next_ < height_) {
                int row = next_;
                next_ += kStep[pass_];
                return row;
            }
            ++pass_;
            next_ = -1;
        }
        return -1;
    }

  private:
    int height_;
    bool interlaced_;
    int pass_ = 0;
    int next_ = 0;
};

// Receives decoded pixel strings and lays them out in the caller's buffer.
class PixelSink {
  public:
    PixelSink(const CodecHeader* h, bool interlaced, uint8_t* pixels, uint8_t* line)
        : width_(h->width), height_(h->height), bpp_(h->bpp),
          stride_(CodecStride(h->width, h->bpp)), pixels_(pixels), line_(line),
          rows_(h->height, interlaced) {
        NextRow();
    }
    bool Done() const { return cur_ == nullptr; }
    // Stores the pixels of a row that decoding left unfinished (1 and 4 bits
    // collect a row before packing it); the rest of that row stays as it was.
    void Flush() {
        if (!cur_ || bpp_ == 8) return;
        for (int i = 0; i < x_; ++i) {
            if (bpp_ == 4) {
                const int shift = (i & 1) ? 0 : 4;
                dest_[i >> 1] = uint8_t((dest_[i >> 1] & ~(0xF << shift)) | (line_[i] << shift));
            } else {
                const int bit = 7 - (i & 7);
                dest_[i >> 3] = uint8_t((dest_[i >> 3] & ~(1 << bit)) | (line_[i] << bit));
            }
        }
    }
    // Room left in the current row.
    int Room() const { return width_ - x_; }
    // Where a string of n <= Room() pixels goes; call Advance(n) after filling it.
    uint8_t* At() { return cur_ + x_; }
    void Advance(int n) {
        x_ += n;
        if (x_ == width_) EndRow();
    }
    // A string that may cross row ends.
    void Put(const uint8_t* p, int n) {
        while (n > 0 && cur_) {
            int take = n < Room() ? n : Room();
            std::memcpy(cur_ + x_, p, size_t(take));
            p += take;
            n -= take;
            Advance(take);
        }
    }

  private:
    void NextRow() {
        int row = rows_.Next();
        x_ = 0;
        if (row < 0) {
            cur_ = nullptr;
            return;
        }
        dest_ = pixels_ + size_t(height_ - 1 - row) * size_t(stride_);
        cur_ = bpp_ == 8 ? dest_ : line_;
    }
    void EndRow() {
        if (bpp_ == 4) {
            for (int i = 0; i + 1 < width_; i += 2)
                dest_[i >> 1] = uint8_t((line_[i] << 4) | line_[i + 1]);
            if (width_ & 1) dest_[width_ >> 1] = uint8_t(line_[width_ - 1] << 4);
        } else if (bpp_ == 1) {
            for (int i = 0; i < width_; i += 8) {
                int v = 0, end = i + 8 < width_ ? i + 8 : width_;
                for (int j = i; j < end; ++j)
                    v |= line_[j] << (7 - (j - i));
                dest_[i >> 3] = uint8_t(v);
            }
        }
        NextRow();
    }

    int width_, height_, bpp_;
    int32_t stride_;
    uint8_t* pixels_;
    uint8_t* line_;
    RowOrder rows_;
    uint8_t* dest_ = nullptr;
    uint8_t* cur_ = nullptr;
    int x_ = 0;
};

struct LzwTables {
    uint16_t prefix[kMaxCodes];
    uint16_t length[kMaxCodes]; // string length of each code
    uint8_t suffix[kMaxCodes];
    uint8_t first[kMaxCodes]; // first pixel of each code's string
    uint8_t stack[kMaxCodes + 1];
};

// Decodes codes into the sink until the end code, the end of the data or the
// last row.  Returns 0, 1103 for corrupt codes, or 7 when the data ran out
// before the last row.
int DecodeLzw(CodeReader& codes, int minSize, int mask, LzwTables& t, PixelSink& out) {
    const int clear = 1 << minSize, end = clear + 1;
    for (int i = 0; i < clear; ++i) {
        t.suffix[i] = t.first[i] = uint8_t(i & mask);
        t.length[i] = 1;
        t.prefix[i] = 0;
    }
    int width = minSize + 1, limit = 1 << width, next = clear + 2;
    int prev = -1;
    while (!out.Done()) {
        int code = codes.Next(width);
        if (code == CodeReader::kEndOfData) return kCodecErrRead;
        if (code == end) return kCodecOk;
        if (code == clear) {
            width = minSize + 1;
            limit = 1 << width;
            next = clear + 2;
            prev = -1;
            continue;
        }
        if (prev < 0) {
            // First code after a clear: a literal pixel.
            if (code > clear) return kGifErrCorrupt;
            uint8_t px = t.suffix[code];
            out.Put(&px, 1);
            prev = code;
            continue;
        }
        if (code > next || code >= kMaxCodes) return kGifErrCorrupt;
        // code == next is the string not yet in the table: prev + its first pixel.
        int len = code == next ? t.length[prev] + 1 : t.length[code];
        uint8_t firstPx = code == next ? t.first[prev] : t.first[code];
        if (len > kMaxCodes) return kGifErrCorrupt;
        if (len <= out.Room()) {
            uint8_t* p = out.At() + len - 1;
            int c = code;
            if (code == next) {
                *p-- = firstPx;
                c = prev;
            }
            while (c >= clear) {
                *p-- = t.suffix[c];
                c = t.prefix[c];
            }
            *p = t.suffix[c];
            out.Advance(len);
        } else {
            uint8_t* p = t.stack + len - 1;
            int c = code;
            if (code == next) {
                *p-- = firstPx;
                c = prev;
            }
            while (c >= clear) {
                *p-- = t.suffix[c];
                c = t.prefix[c];
            }
            *p = t.suffix[c];
            out.Put(t.stack, len);
        }
        if (next < kMaxCodes) {
            t.prefix[next] = uint16_t(prev);
            t.suffix[next] = firstPx;
            t.first[next] = t.first[prev];
            t.length[next] = uint16_t(t.length[prev] + 1);
            ++next;
            if (next == limit && width < kMaxCodeBits) {
                ++width;
                limit <<= 1;
            }
        }
        prev = code;
    }
    return kCodecOk;
}

int ReadData(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    const GifState* s = CodecPrivate<GifState>(h);
    if (BppFromBits(s->bits) != h->bpp) return kGifErrBpp;
    if (h->width < 0 || h->height < 0 || (h->width > 0 && CodecStride(h->width, h->bpp) == 0))
        return kCodecErrBadSize;
    if (CodecSeek(f, s->dataOffset, kCodecSeekSet) < 0) return kCodecErrRead;
    CodecByteSource src(f);
    int minSize = src.Byte();
    if (minSize < 0) return kCodecErrRead;
    if (minSize < 2 || minSize > 9) return kGifErrCodeSize;

    std::unique_ptr<LzwTables> tables(new (std::nothrow) LzwTables);
    std::unique_ptr<uint8_t[]> line(new (std::nothrow) uint8_t[size_t(h->width) + 1]);
    if (!tables || !line) return kCodecErrMemory;

    CodeReader codes(src);
    int rc = kCodecOk;
    if (h->width > 0 && h->height > 0) {
        PixelSink sink(h, s->interlaced != 0, pixels, line.get());
        rc = DecodeLzw(codes, minSize, (1 << s->bits) - 1, *tables, sink);
        sink.Flush();
    }
    if (rc != kCodecOk) return rc;
    int64_t terminator = codes.Finish();
    if (terminator < 0 || CodecSeek(f, terminator, kCodecSeekSet) < 0) return kCodecErrRead;
    return kCodecOk;
}

const char* ErrorText(int code) {
    switch (code) {
    case kGifErrBpp:
        return "bad bits per pixel";
    case kGifErrTrailer:
        return "terminator found before requested image descriptor";
    case kGifErrCodeSize:
        return "code size not in range 2 to 9";
    case kGifErrCorrupt:
        return "encoded data is corrupt";
    case kGifErrHeader:
        return "bad header";
    default:
        return nullptr;
    }
}

} // namespace

const CodecReader kGifReader = {ReadHeader, ReadPalette, ReadData, ErrorText};
