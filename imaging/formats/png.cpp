// PNG reader: decodes through libpng, one still picture per file, delivered in
// the depths of the other rows.
//
// File layout (integers big-endian):
//   signature 137 80 78 71 13 10 26 10
//   chunks: u32 length, 4-byte type, length bytes of data, u32 CRC of type+data
//     IHDR: u32 width, u32 height, u8 bit depth, u8 colour type (0 grey,
//           2 RGB, 3 palette, 4 grey+alpha, 6 RGB+alpha), u8 compression,
//           u8 filter, u8 interlace (0 none, 1 Adam7)
//     PLTE: entries of r, g, b;  tRNS: palette alphas, or the one transparent
//     grey (u16) or RGB (3 x u16) value;  IDAT: the zlib stream of filtered rows;
//     IEND.
//
// What the caller receives:
//   palette 1, 2, 4, 8 bits  -> 1, 4, 4, 8 bpp with the file's palette
//   grey 1, 2, 4, 8, 16 bits -> 1, 4, 4, 8, 8 bpp with a ramp of 2, 4, 16, 256
//                               levels (16-bit samples rounded to 8)
//   grey + alpha             -> 8 bpp grey, composed onto black
//   RGB, RGB + alpha         -> 24 bpp, composed onto black
// A single transparent colour is kept as GIF keeps it, for sprites: a palette
// whose tRNS makes exactly one entry fully transparent and leaves the others
// opaque, or a grey tRNS value, is reported as transparentIndex with the
// entry's colour unchanged.  Any other palette alpha is composed into the
// palette entries; an RGB tRNS colour turns black.
//
// libpng reports errors through a jump.  Each operation keeps everything it
// allocates in one Session on the heap; the jump lands in Run(), which frees
// the session, and no frame between the jump and Run() owns a C++ object with
// a destructor.  libpng's errors never end the program: they come back as
// codes 2000 (header) and 2001 (image data); a file that ends early is 7.
#include "imaging/formats/format_util.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>

#include <png.h>

namespace {

constexpr int kPngErrHeader = 2000;
constexpr int kPngErrData = 2001;
constexpr int kPngErrIndex = 2002;

// libpng refuses larger sides itself; our own ceiling on the buffer follows.
constexpr png_uint_32 kMaxSide = 1000000;
// No ancillary chunk that is kept may ask for more memory than this.
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;

enum : uint8_t { kTransNone = 0, kTransIndex = 1, kTransComposed = 2, kTransRgb = 3 };

// Kept in the header's private area between the three calls.
struct PngState {
    uint32_t width, height;
    uint8_t bitDepth, colorType, interlace;
    uint8_t trans; // kTrans*
    uint8_t palette[256 * 3];
};

struct Session {
    explicit Session(CodecFile* f) : src(f) {}
    CodecByteSource src;
    png_structp png = nullptr;
    png_infop info = nullptr;
    int code = 0;     // set by whoever fails first
    int failCode = 0; // what a libpng error means in this step
    std::jmp_buf jump;
    png_bytep image = nullptr; // decoded rows (one row, or all of an interlaced image)
    png_bytepp rowPointers = nullptr;
};

[[noreturn]] void OnError(png_structp png, png_const_charp) {
    auto* s = static_cast<Session*>(png_get_error_ptr(png));
    if (s->code == 0) s->code = s->failCode;
    std::longjmp(s->jump, 1);
}

// Warnings (a bad CRC in an ancillary chunk, extra data) are not shown anywhere.
void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep data, png_size_t n) {
    auto* s = static_cast<Session*>(png_get_io_ptr(png));
    if (n > png_size_t(INT32_MAX) || !s->src.Read(data, int32_t(n))) {
        s->code = kCodecErrRead;
        png_error(png, "file ends early");
    }
}

uint8_t Compose(unsigned c, unsigned a) {
    return uint8_t((c * a + 127) / 255);
}

int32_t DeliveredBpp(const PngState& st) {
    if (st.colorType == PNG_COLOR_TYPE_RGB || st.colorType == PNG_COLOR_TYPE_RGB_ALPHA) return 24;
    if (st.colorType == PNG_COLOR_TYPE_GRAY_ALPHA || st.bitDepth >= 8) return 8;
    return st.bitDepth == 1 ? 1 : 4;
}

// Checks the signature and reads the chunks up to the image data; fills st.
// 0 or a code; libpng's own failures arrive by the jump.
int ReadInfo(Session* s, PngState* st) {
    png_byte sig[8];
    if (!s->src.Read(sig, 8)) return kCodecErrRead;
    if (png_sig_cmp(sig, 0, 8) != 0) return kCodecErrBadMagic;
    s->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, s, OnError, OnWarning);
    if (!s->png) return kCodecErrMemory;
    s->info = png_create_info_struct(s->png);
    if (!s->info) return kCodecErrMemory;
    png_set_read_fn(s->png, s, OnRead);
    png_set_sig_bytes(s->png, 8);
    png_set_user_limits(s->png, kMaxSide, kMaxSide);
    png_set_chunk_malloc_max(s->png, kMaxChunkBytes);
    // Text, profiles and unknown chunks are never shown: skip them unread
    // rather than inflate them.
    png_set_keep_unknown_chunks(s->png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    static const png_byte kIgnored[] = "iCCP\0iTXt\0sPLT\0tEXt\0zTXt\0eXIf\0";
    png_set_keep_unknown_chunks(s->png, PNG_HANDLE_CHUNK_NEVER, kIgnored, 6);
    png_read_info(s->png, s->info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, type = 0, interlace = 0;
    png_get_IHDR(s->png, s->info, &w, &h, &depth, &type, &interlace, nullptr, nullptr);
    st->width = w;
    st->height = h;
    st->bitDepth = uint8_t(depth);
    st->colorType = uint8_t(type);
    st->interlace = uint8_t(interlace);
    return kCodecOk;
}

// The palette to deliver and what becomes of tRNS; the transparent index or -1.
int32_t BuildPalette(Session* s, PngState* st) {
    std::memset(st->palette, 0, sizeof st->palette);
    st->trans = kTransNone;
    png_bytep alpha = nullptr;
    int numTrans = 0;
    png_color_16p transColor = nullptr;
    const bool hasTrns =
        png_get_valid(s->png, s->info, PNG_INFO_tRNS) &&
        png_get_tRNS(s->png, s->info, &alpha, &numTrans, &transColor) == PNG_INFO_tRNS;
    int32_t transparent = -1;
    if (st->colorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp plte = nullptr;
        int n = 0;
        if (png_get_PLTE(s->png, s->info, &plte, &n) != PNG_INFO_PLTE) n = 0;
        if (n > 256) n = 256;
        int clear = 0, partial = 0, lastClear = -1;
        for (int i = 0; i < n; ++i) {
            const unsigned a = hasTrns && alpha && i < numTrans ? alpha[i] : 255;
            clear += a == 0;
            partial += a != 0 && a != 255;
            if (a == 0) lastClear = i;
        }
        const bool single = clear == 1 && partial == 0;
        for (int i = 0; i < n; ++i) {
            const unsigned a = single || !hasTrns || !alpha || i >= numTrans ? 255 : alpha[i];
            st->palette[3 * i] = Compose(plte[i].red, a);
            st->palette[3 * i + 1] = Compose(plte[i].green, a);
            st->palette[3 * i + 2] = Compose(plte[i].blue, a);
        }
        if (single) {
            st->trans = kTransIndex;
            transparent = lastClear;
        } else if (clear + partial > 0) {
            st->trans = kTransComposed;
        }
    } else if (st->colorType == PNG_COLOR_TYPE_GRAY || st->colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        const int levels = st->bitDepth >= 8 ? 256 : 1 << st->bitDepth;
        for (int i = 0; i < levels; ++i)
            std::memset(st->palette + 3 * i, i * 255 / (levels - 1), 3);
        if (hasTrns && transColor) {
            // A 16-bit value is rounded to 8 bits as the samples are.
            const int g = st->bitDepth == 16 ? (transColor->gray + 128) / 257 : transColor->gray;
            if (g < levels) {
                st->trans = kTransIndex;
                transparent = g;
            }
        }
    } else if (st->colorType == PNG_COLOR_TYPE_RGB && hasTrns) {
        st->trans = kTransRgb;
    }
    return transparent;
}

int HeaderStep(Session* s, CodecHeader* h) {
    s->failCode = kPngErrHeader;
    PngState* st = CodecPrivate<PngState>(h);
    if (int rc = ReadInfo(s, st)) return rc;
    const int32_t bpp = DeliveredBpp(*st);
    if (!FormatSizeFits(st->width, st->height, bpp)) return kCodecErrBadSize;
    h->width = int32_t(st->width);
    h->height = int32_t(st->height);
    h->bpp = bpp;
    h->transparentIndex = BuildPalette(s, st);
    return kCodecOk;
}

// Packs one row of one-byte samples into the delivered depth.
void PackRow(const png_byte* in, uint8_t* out, int32_t width, int32_t bpp) {
    if (bpp == 8) {
        std::memcpy(out, in, size_t(width));
        return;
    }
    const int perByte = 8 / bpp;
    for (int32_t x = 0; x < width; ++x) {
        const int shift = 8 - bpp * (x % perByte + 1);
        out[x / perByte] |= uint8_t((in[x] & ((1 << bpp) - 1)) << shift);
    }
}

// One decoded row (top-down order y) into its place in the bottom-up buffer.
void DeliverRow(const CodecHeader* h, int channels, const png_byte* in, uint8_t* pixels,
                int32_t y) {
    uint8_t* out = FormatRow(pixels, h, h->height - 1 - y);
    std::memset(out, 0, size_t(CodecStride(h->width, h->bpp)));
    const int32_t w = h->width;
    switch (channels) {
    case 1:
        PackRow(in, out, w, h->bpp);
        break;
    case 2: // grey, alpha
        for (int32_t x = 0; x < w; ++x)
            out[x] = Compose(in[2 * x], in[2 * x + 1]);
        break;
    case 3: // blue, green, red
        std::memcpy(out, in, size_t(w) * 3);
        break;
    default: // blue, green, red, alpha
        for (int32_t x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                out[3 * x + c] = Compose(in[4 * x + c], in[4 * x + 3]);
        break;
    }
}

int DataStep(Session* s, CodecHeader* h, uint8_t* pixels) {
    s->failCode = kPngErrHeader;
    const PngState* was = CodecPrivate<PngState>(h);
    PngState now;
    if (int rc = ReadInfo(s, &now)) return rc;
    // The file must still be the one the header was read from.
    if (now.width != was->width || now.height != was->height || now.bitDepth != was->bitDepth ||
        now.colorType != was->colorType || now.interlace != was->interlace)
        return kCodecErrBadSize;
    s->failCode = kPngErrData;
    png_structp png = s->png;
    if (now.bitDepth == 16) png_set_scale_16(png);
    if (now.bitDepth < 8) png_set_packing(png);
    if (now.colorType & PNG_COLOR_MASK_COLOR) png_set_bgr(png);
    if (was->trans == kTransRgb) png_set_tRNS_to_alpha(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, s->info);
    const int channels = png_get_channels(png, s->info);
    const png_size_t rowBytes = png_get_rowbytes(png, s->info);
    if (png_get_bit_depth(png, s->info) != 8 || channels < 1 || channels > 4 ||
        rowBytes != png_size_t(h->width) * png_size_t(channels))
        return kCodecErrNotSupported;
    const png_uint_32 rows = passes > 1 ? now.height : 1;
    // Interlaced pictures are only complete after the last pass: all rows are
    // held.  The ceiling of the caller's buffer bounds this one too.
    if (uint64_t(rowBytes) * rows > uint64_t(kFormatMaxPixelBytes) * 4 / 3) return kCodecErrBadSize;
    s->image = static_cast<png_bytep>(std::malloc(rowBytes * rows));
    if (!s->image) return kCodecErrMemory;
    if (passes > 1) {
        s->rowPointers = static_cast<png_bytepp>(std::malloc(sizeof(png_bytep) * rows));
        if (!s->rowPointers) return kCodecErrMemory;
        for (png_uint_32 y = 0; y < rows; ++y)
            s->rowPointers[y] = s->image + rowBytes * y;
        png_read_image(png, s->rowPointers);
        for (png_uint_32 y = 0; y < rows; ++y)
            DeliverRow(h, channels, s->rowPointers[y], pixels, int32_t(y));
    } else {
        for (png_uint_32 y = 0; y < now.height; ++y) {
            png_read_row(png, s->image, nullptr);
            DeliverRow(h, channels, s->image, pixels, int32_t(y));
        }
    }
    // nextOffset: just after the image data that was taken.
    return s->src.Sync() ? kCodecOk : kCodecErrRead;
}

enum class Step { Header, Data };

void Free(Session* s) {
    if (s->png) png_destroy_read_struct(&s->png, s->info ? &s->info : nullptr, nullptr);
    std::free(s->rowPointers);
    std::free(s->image);
    delete s;
}

int Run(CodecFile* f, CodecHeader* h, uint8_t* pixels, Step step) {
    Session* s = new (std::nothrow) Session(f);
    if (!s) return kCodecErrMemory;
    if (setjmp(s->jump)) {
        const int code = s->code;
        Free(s);
        return code;
    }
    const int rc = step == Step::Header ? HeaderStep(s, h) : DataStep(s, h, pixels);
    Free(s);
    return rc;
}

int ReadHeader(const char*, CodecFile* f, CodecHeader* h, const char* options) {
    if (int rc = Run(f, h, nullptr, Step::Header)) return rc;
    // A PNG file holds one picture.
    int index = 0;
    if (CodecFindValue(options, "index=", &index) && index != 0) return kPngErrIndex;
    return kCodecOk;
}

int ReadPalette(CodecFile*, CodecHeader* h, uint8_t* palette) {
    if (h->bpp <= 8) std::memcpy(palette, CodecPrivate<PngState>(h)->palette, size_t(3) << h->bpp);
    return kCodecOk;
}

int ReadData(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    if (CodecSeek(f, 0, kCodecSeekSet) != 0) return kCodecErrRead;
    return Run(f, h, pixels, Step::Data);
}

const char* ErrorText(int code) {
    switch (code) {
    case kPngErrHeader:
        return "corrupt or unsupported PNG header";
    case kPngErrData:
        return "corrupt PNG image data";
    case kPngErrIndex:
        return "less bitmaps in file than index requested";
    default:
        return nullptr;
    }
}

} // namespace

const CodecReader kPngReader = {ReadHeader, ReadPalette, ReadData, ErrorText};
