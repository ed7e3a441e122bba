// PSEG reader: IBM printer page segments holding IM images, delivered as
// 1-bit pictures (index 1, a toned pel, is black).  "index=n" picks the n-th
// IM image of the segment; "fixrec" repairs records whose 0x5A introducer was
// lost or replaced by a length prefix when the file was moved off its host.
//
// File layout: a sequence of records (structured fields), big-endian:
//   0    0x5A            carriage control byte that introduces every record
//   1-2  length L        of the record from this field on (8 or more)
//   3-5  identifier
//   6    flags           0x80: an extension follows, its first byte giving its
//                        length; 0x08: the data ends in padding, whose last
//                        byte gives its length (0: the two bytes before it do)
//   7-8  sequence number
//   9..  L - 8 bytes of data.
// Records used (anything else is refused; No Operation records are skipped):
//   D3A85F begin page segment   D3A95F end page segment   (optional pair)
//   D3A87B begin IM image       D3A97B end IM image
//   D3A77B image output control (placement on the page: not needed here)
//   D3A67B image input descriptor: data +18 width, +20 height in pels,
//          +28 default cell width, +30 default cell height
//   D3AC7B image cell position: +0 x, +2 y offset of the cell, +4 cell width,
//          +6 cell height (0xFFFF: the default), +8 fill width, +10 fill height
//          (0xFFFF: the cell's size); the cell's pels are repeated over the fill
//          area when that is larger
//   D3EE7B image raster data: pels of the current cell (of the whole image when
//          no cell position came first), rows top first, most significant bit
//          leftmost, 1 = toned; several records continue one another.
// Widths and x positions are whole bytes (multiples of 8).  Pels no cell covers
// are left untoned.  Every cell must receive all its rows, and the cells with
// their fill areas must be able to cover the image; otherwise the raster is
// incomplete (code 7), which also keeps a few bytes from asking for a large
// picture with nothing in it.
//
// "fixrec": a record that does not start with 0x5A is looked for in the forms
// file transfers leave: its 0x5A missing; a 2-byte record length before it (with
// or without the 0x5A); a 4-byte variable-record descriptor before it (with or
// without the 0x5A).  Every structured field identifier starts with 0xD3, which
// is what places the record.
#include "imaging/formats/format_util.h"

#include <cstring>

namespace {

enum : int {
    kPsegErrIntroducer = 1600,
    kPsegErrRecord = 1601,
    kPsegErrNoSize = 1602,
    kPsegErrWidth = 1603,
    kPsegErrDefaultCell = 1604,
    kPsegErrCell = 1605,
    kPsegErrCellPosition = 1606,
    kPsegErrPlace = 1607,
};

enum : uint32_t {
    kBeginSegment = 0xD3A85F,
    kEndSegment = 0xD3A95F,
    kBeginImage = 0xD3A87B,
    kEndImage = 0xD3A97B,
    kOutputControl = 0xD3A77B,
    kInputDescriptor = 0xD3A67B,
    kCellPosition = 0xD3AC7B,
    kRasterData = 0xD3EE7B,
    kNoOperation = 0xD3EEEE,
};

struct PsegState {
    int64_t imageBody; // file position of the record after the chosen image's begin
    int64_t length;
    int32_t fixrec;
};

// Reads up to n bytes at pos; the count read.
int32_t ReadAt(CodecFile* f, int64_t pos, uint8_t* buf, int32_t n) {
    if (CodecSeek(f, pos, kCodecSeekSet) != pos) return 0;
    int32_t got = 0;
    while (got < n) {
        const int32_t r = CodecReadSome(f, buf + got, n - got);
        if (r <= 0) break;
        got += r;
    }
    return got;
}

struct Record {
    uint32_t id;
    int64_t data; // file position of the data
    int32_t size; // data bytes, extension and padding excluded
};

class RecordReader {
  public:
    RecordReader(CodecFile* f, int64_t pos, int64_t length, bool fixrec)
        : f_(f), pos_(pos), length_(length), fixrec_(fixrec) {}

    // The next record; 7 when the file ends first.
    int Next(Record* r) {
        uint8_t b[9] = {}; // bytes past the end stay 0, which no test below accepts
        if (ReadAt(f_, pos_, b, 9) == 0) return kCodecErrRead;
        int64_t field; // position of the length field
        if (b[0] == 0x5A) {
            field = pos_ + 1;
        } else if (!fixrec_) {
            return kPsegErrIntroducer;
        } else if (b[2] == 0xD3) {
            field = pos_;
        } else if (b[2] == 0x5A && b[5] == 0xD3) {
            field = pos_ + 3;
        } else if (b[4] == 0xD3) {
            field = pos_ + 2;
        } else if (b[4] == 0x5A && b[7] == 0xD3) {
            field = pos_ + 5;
        } else if (b[6] == 0xD3) {
            field = pos_ + 4;
        } else {
            return kPsegErrRecord;
        }
        uint8_t h[8];
        if (ReadAt(f_, field, h, 8) != 8) return kCodecErrRead;
        const int32_t length = int32_t(LoadBE16(h));
        if (length < 8) return kPsegErrRecord;
        if (field + length > length_) return kCodecErrRead;
        r->id = uint32_t(h[2]) << 16 | uint32_t(h[3]) << 8 | h[4];
        r->data = field + 8;
        r->size = length - 8;
        pos_ = field + length;
        if (h[5] & 0x80) {
            uint8_t e;
            if (r->size < 1 || ReadAt(f_, r->data, &e, 1) != 1) return kPsegErrRecord;
            if (e < 1 || e > r->size) return kPsegErrRecord;
            r->data += e;
            r->size -= e;
        }
        if (h[5] & 0x08) {
            uint8_t p[3];
            if (r->size < 1 || ReadAt(f_, r->data + r->size - 1, p + 2, 1) != 1)
                return kPsegErrRecord;
            int32_t pad = p[2];
            if (pad == 0) {
                if (r->size < 3 || ReadAt(f_, r->data + r->size - 3, p, 2) != 2)
                    return kPsegErrRecord;
                pad = int32_t(LoadBE16(p));
            }
            if (pad < 1 || pad > r->size) return kPsegErrRecord;
            r->size -= pad;
        }
        return kCodecOk;
    }

    int64_t Position() const { return pos_; }

  private:
    CodecFile* f_;
    int64_t pos_, length_;
    bool fixrec_;
};

// One cell being filled: its place and size in pels, its fill area, and how
// many of its raster bytes have arrived.
struct Cell {
    int64_t x, y, w, h, fillW, fillH;
    int64_t bytes, filled;
};

// Walks one IM image from the record after its begin to its end.  With pixels
// null it only checks the image and fills the header's size; with pixels it
// also places the raster.
class ImageWalk {
  public:
    ImageWalk(CodecFile* f, CodecHeader* h, uint8_t* pixels) : f_(f), h_(h), pixels_(pixels) {}

    int Run(RecordReader* rr) {
        for (;;) {
            Record r;
            if (int rc = rr->Next(&r)) return rc;
            switch (r.id) {
            case kNoOperation:
            case kOutputControl:
                break;
            case kInputDescriptor:
                if (haveSize_) return kPsegErrPlace;
                if (int rc = Descriptor(r)) return rc;
                break;
            case kCellPosition:
                if (!haveSize_) return kPsegErrNoSize;
                if (int rc = Position(r)) return rc;
                break;
            case kRasterData:
                if (!haveSize_) return kPsegErrNoSize;
                if (!haveCell_) StartCell(0, 0, width_, height_, width_, height_);
                if (int rc = Raster(r)) return rc;
                break;
            case kEndImage:
                if (!haveSize_) return kPsegErrNoSize;
                if (int rc = FinishCell()) return rc;
                return covered_ < width_ * height_ ? kCodecErrRead : kCodecOk;
            case kBeginSegment:
            case kEndSegment:
            case kBeginImage:
                return kPsegErrPlace;
            default:
                return kPsegErrRecord;
            }
        }
    }

  private:
    int Descriptor(const Record& r) {
        uint8_t d[32];
        if (r.size < 32) return kPsegErrRecord;
        if (ReadAt(f_, r.data, d, 32) != 32) return kCodecErrRead;
        width_ = LoadBE16(d + 18);
        height_ = LoadBE16(d + 20);
        defaultW_ = LoadBE16(d + 28);
        defaultH_ = LoadBE16(d + 30);
        if (width_ % 8 != 0) return kPsegErrWidth;
        if (defaultW_ % 8 != 0) return kPsegErrDefaultCell;
        if (!FormatSizeFits(width_, height_, 1)) return kCodecErrBadSize;
        haveSize_ = true;
        if (!pixels_) {
            h_->width = int32_t(width_);
            h_->height = int32_t(height_);
            h_->bpp = 1;
        }
        return kCodecOk;
    }

    int Position(const Record& r) {
        uint8_t d[12];
        if (r.size < 12) return kPsegErrRecord;
        if (ReadAt(f_, r.data, d, 12) != 12) return kCodecErrRead;
        const int64_t x = LoadBE16(d), y = LoadBE16(d + 2);
        int64_t w = LoadBE16(d + 4), h = LoadBE16(d + 6), fw = LoadBE16(d + 8),
                fh = LoadBE16(d + 10);
        if (w == 0xFFFF) w = defaultW_;
        if (h == 0xFFFF) h = defaultH_;
        if (x % 8 != 0) return kPsegErrCellPosition;
        if (w % 8 != 0) return kPsegErrCell;
        if (w == 0 || h == 0) return kPsegErrRecord;
        if (fw == 0xFFFF || fw == 0) fw = w;
        if (fh == 0xFFFF || fh == 0) fh = h;
        if (int rc = FinishCell()) return rc;
        StartCell(x, y, w, h, fw, fh);
        return kCodecOk;
    }

    void StartCell(int64_t x, int64_t y, int64_t w, int64_t h, int64_t fw, int64_t fh) {
        cell_ = Cell{x, y, w, h, fw, fh, w / 8 * h, 0};
        haveCell_ = true;
    }

    // Checks that the cell got all its rows, repeats it over its fill area and
    // counts what it covers.
    int FinishCell() {
        if (!haveCell_) return kCodecOk;
        haveCell_ = false;
        const Cell& c = cell_;
        if (c.filled < c.bytes) return kCodecErrRead;
        const int64_t areaW = c.fillW > c.w ? c.fillW : c.w;
        const int64_t areaH = c.fillH > c.h ? c.fillH : c.h;
        const int64_t right = c.x + areaW < width_ ? c.x + areaW : width_;
        const int64_t bottom = c.y + areaH < height_ ? c.y + areaH : height_;
        if (right > c.x && bottom > c.y) covered_ += (right - c.x) * (bottom - c.y);
        if (pixels_ && (areaW > c.w || areaH > c.h)) Replicate(areaW, bottom);
        return kCodecOk;
    }

    uint8_t* Row(int64_t y) { return FormatRow(pixels_, h_, int32_t(height_ - 1 - y)); }

    void Replicate(int64_t areaW, int64_t bottom) {
        const Cell& c = cell_;
        const int64_t x0 = c.x / 8, cellBytes = c.w / 8, rowBytes = width_ / 8;
        const int64_t areaBytes = (areaW + 7) / 8;
        const int64_t end = x0 + areaBytes < rowBytes ? x0 + areaBytes : rowBytes;
        const int tail = int(areaW % 8);
        const uint8_t tailMask = uint8_t(0xFF << (8 - tail));
        for (int64_t y = c.y; y < bottom; ++y) {
            const uint8_t* src = Row(c.y + (y - c.y) % c.h);
            uint8_t* dst = Row(y);
            const bool insideCell = y < c.y + c.h;
            for (int64_t xb = insideCell ? x0 + cellBytes : x0; xb < end; ++xb) {
                const uint8_t v = src[x0 + (xb - x0) % cellBytes];
                if (tail && xb == x0 + areaBytes - 1)
                    dst[xb] = uint8_t((dst[xb] & ~tailMask) | (v & tailMask));
                else
                    dst[xb] = v;
            }
        }
    }

    int Raster(const Record& r) {
        Cell& c = cell_;
        const int64_t wanted = c.bytes - c.filled;
        const int64_t take = r.size < wanted ? r.size : wanted; // the rest is not part of the cell
        if (!pixels_) {
            c.filled += take;
            return kCodecOk;
        }
        if (CodecSeek(f_, r.data, kCodecSeekSet) != r.data) return kCodecErrRead;
        const int64_t cellBytes = c.w / 8, rowBytes = width_ / 8;
        uint8_t buf[4096];
        int64_t left = take;
        while (left > 0) {
            const int32_t n = left < int64_t(sizeof buf) ? int32_t(left) : int32_t(sizeof buf);
            if (CodecReadExact(f_, buf, n)) return kCodecErrRead;
            // A cell row at a time: the part of it inside the image is copied.
            for (int32_t i = 0; i < n;) {
                const int64_t y = c.y + c.filled / cellBytes, col = c.filled % cellBytes;
                const int32_t run = int32_t(cellBytes - col < n - i ? cellBytes - col : n - i);
                const int64_t xb = c.x / 8 + col;
                const int64_t fits = xb >= rowBytes ? 0 : rowBytes - xb < run ? rowBytes - xb : run;
                if (y < height_ && fits > 0) std::memcpy(Row(y) + xb, buf + i, size_t(fits));
                i += run;
                c.filled += run;
            }
            left -= n;
        }
        return kCodecOk;
    }

    CodecFile* f_;
    CodecHeader* h_;
    uint8_t* pixels_;
    bool haveSize_ = false, haveCell_ = false;
    int64_t width_ = 0, height_ = 0, defaultW_ = 0, defaultH_ = 0, covered_ = 0;
    Cell cell_{};
};

int ReadHeader(const char*, CodecFile* f, CodecHeader* h, const char* options) {
    PsegState* s = CodecPrivate<PsegState>(h);
    std::memset(s, 0, sizeof *s);
    int index = 0;
    if (CodecFindValue(options, "index=", &index) && index < 0) return kCodecErrBadOption;
    s->fixrec = CodecFindFlag(options, "fixrec") ? 1 : 0;
    s->length = FormatFileLength(f);
    if (s->length < 0) return kCodecErrRead;
    RecordReader rr(f, 0, s->length, s->fixrec != 0);
    bool first = true, inSegment = false, inImage = false;
    int images = 0;
    for (;;) {
        Record r;
        if (int rc = rr.Next(&r)) {
            // A segment without begin and end records may simply stop after its images.
            const bool ended = rr.Position() >= s->length && !inSegment && !inImage;
            return ended && images > 0 ? kCodecErrBadOption : rc;
        }
        const bool wasFirst = first;
        if (r.id != kNoOperation) first = false;
        switch (r.id) {
        case kNoOperation:
            break;
        case kBeginSegment:
            if (!wasFirst) return kPsegErrPlace;
            inSegment = true;
            break;
        case kEndSegment:
            if (!inSegment || inImage) return kPsegErrPlace;
            return images == 0 ? kCodecErrNotSupported : kCodecErrBadOption;
        case kBeginImage:
            if (inImage) return kPsegErrPlace;
            if (images == index) {
                s->imageBody = rr.Position();
                ImageWalk walk(f, h, nullptr);
                return walk.Run(&rr);
            }
            inImage = true;
            break;
        case kEndImage:
            if (!inImage) return kPsegErrPlace;
            inImage = false;
            ++images;
            break;
        case kOutputControl:
        case kInputDescriptor:
        case kCellPosition:
        case kRasterData:
            if (!inImage) return kPsegErrPlace;
            break;
        default:
            return kPsegErrRecord;
        }
    }
}

int ReadPalette(CodecFile*, CodecHeader*, uint8_t* palette) {
    static const uint8_t kWhiteBlack[6] = {255, 255, 255, 0, 0, 0};
    std::memcpy(palette, kWhiteBlack, sizeof kWhiteBlack);
    return kCodecOk;
}

int ReadData(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    const PsegState* s = CodecPrivate<PsegState>(h);
    std::memset(pixels, 0, size_t(CodecStride(h->width, 1)) * size_t(h->height));
    RecordReader rr(f, s->imageBody, s->length, s->fixrec != 0);
    ImageWalk walk(f, h, pixels);
    if (int rc = walk.Run(&rr)) return rc;
    return CodecSeek(f, rr.Position(), kCodecSeekSet) == rr.Position() ? kCodecOk : kCodecErrRead;
}

const char* ErrorText(int code) {
    static const char* const kTexts[] = {
        "record in the PSEG file does not start with 0x5a (try fixrec option)",
        "bad/unknown record in PSEG file",
        "size record not seen before raster data or image cell position records",
        "width must be a multiple of 8",
        "default cell size must be a multiple of 8",
        "cell size must be a multiple of 8",
        "cell position must be a multiple of 8",
        "record found in an unexpected place",
    };
    if (code < kPsegErrIntroducer || code > kPsegErrPlace) return nullptr;
    return kTexts[code - kPsegErrIntroducer];
}

} // namespace

const CodecReader kPsegReader = {ReadHeader, ReadPalette, ReadData, ErrorText};
