// JPEG reader: decodes through libjpeg's decompressor (release 6b interface)
// with a source manager that reads the codec handle and an error manager that
// turns the library's messages into this reader's codes.
//
// Each of the three operations builds its own decompressor and destroys it
// before returning, so nothing of libjpeg lives in the header record.
//
// A camera's Exif block (APP1) may say that the picture is stored turned or
// mirrored; the reader then delivers it upright, so width and height are the
// shown ones (exchanged for a quarter turn).  A broken block is ignored.
//
// Codes 1910-1929: the failing call's library message is kept in one of 20
// slots (the least recently used is overwritten) and the code is 1910 + slot,
// so the text stays available to codec_error_text after the decompressor is
// gone.  The slots are shared by the process and guarded by a lock, since the
// saver decodes its next slide on a thread of its own.
#include "imaging/exif.h"
#include "imaging/formats/format_util.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

#include <jpeglib.h>
// jpeglib.h needs <cstdio> before it; jerror.h gives the message numbers.
#include <jerror.h>

namespace {

constexpr int kJpegFirstCode = 1910;
constexpr int kMessageSlots = 20;
constexpr int kMessageLength = JMSG_LENGTH_MAX; // 200 characters with the terminator
constexpr size_t kSourceBlock = 4096;
// libjpeg's own working memory (a progressive image keeps every coefficient)
// is held under the same ceiling as the pixel buffer, plus room for tables.
constexpr long kLibraryMemory = long(kFormatMaxPixelBytes / 2 * 5);

char g_messages[kMessageSlots][kMessageLength];
unsigned g_messageAge[kMessageSlots];
unsigned g_messageClock;
std::mutex g_messageLock;

// Stores text in the least recently used slot and returns that slot's code.
int StoreMessage(const char* text) {
    std::lock_guard<std::mutex> hold(g_messageLock);
    int slot = 0;
    for (int i = 1; i < kMessageSlots; ++i)
        if (g_messageAge[i] < g_messageAge[slot]) slot = i;
    std::snprintf(g_messages[slot], kMessageLength, "%s", text);
    g_messageAge[slot] = ++g_messageClock;
    return kJpegFirstCode + slot;
}

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int code;
};

void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    err->code = StoreMessage(text);
    std::longjmp(err->jump, 1);
}

// Warnings (a premature end of the file among them) are not shown anywhere.
void OutputMessage(j_common_ptr) {}

struct SourceManager {
    jpeg_source_mgr pub;
    CodecFile* file;
    bool anyRead;
    JOCTET buffer[kSourceBlock];
};

// A JPEG file cut short still shows what it holds: once some bytes have been
// read, the end of the file reads as an end-of-image marker.
const JOCTET kFakeEnd[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
    int32_t got = CodecReadSome(src->file, src->buffer, int32_t(kSourceBlock));
    if (got <= 0) {
        if (!src->anyRead) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->pub.next_input_byte = kFakeEnd;
        src->pub.bytes_in_buffer = 2;
        return TRUE;
    }
    src->anyRead = true;
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = size_t(got);
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
    while (count > long(src->pub.bytes_in_buffer)) {
        count -= long(src->pub.bytes_in_buffer);
        FillInputBuffer(cinfo);
    }
    if (count > 0) {
        src->pub.next_input_byte += count;
        src->pub.bytes_in_buffer -= size_t(count);
    }
}

void TermSource(j_decompress_ptr) {}

// One decompressor with its managers; on the heap so that nothing the jump
// returns to lives in a register.
struct Session {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    SourceManager src;
    int orientation;
    uint8_t* stored; // the picture as stored, while it is turned upright
};

// The orientation of the first Exif block among the saved APP1 markers.
int FindOrientation(j_decompress_ptr c) {
    for (jpeg_saved_marker_ptr m = c->marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 &&
            std::memcmp(m->data, "Exif\0\0", 6) == 0)
            return ExifOrientation(m->data, m->data_length);
    return kOrientationNormal;
}

enum class Step { Header, Data };

// Reads the header and sets the output colour space; 0 or a library code
// (by the jump).  Four-component (CMYK) images have no 24-bit rendering here.
int ReadJpegHeader(Session* s, CodecHeader* h) {
    jpeg_decompress_struct* c = &s->cinfo;
    jpeg_save_markers(c, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(c, TRUE);
    s->orientation = FindOrientation(c);
    if (c->out_color_space != JCS_GRAYSCALE && c->out_color_space != JCS_RGB)
        return kCodecErrNotSupported;
#ifdef JCS_EXTENSIONS
    // libjpeg-turbo writes blue, green, red itself; plain libjpeg is swapped below.
    if (c->out_color_space == JCS_RGB) c->out_color_space = JCS_EXT_BGR;
#endif
    jpeg_calc_output_dimensions(c);
    const int32_t bpp = 8 * c->out_color_components;
    if (bpp != 8 && bpp != 24) return kCodecErrNotSupported;
    if (!FormatSizeFits(c->output_width, c->output_height, bpp)) return kCodecErrBadSize;
    const bool swap = OrientationSwapsAxes(s->orientation);
    h->width = int32_t(swap ? c->output_height : c->output_width);
    h->height = int32_t(swap ? c->output_width : c->output_height);
    h->bpp = bpp;
    return kCodecOk;
}

int DecodeRows(Session* s, CodecHeader* h, uint8_t* pixels) {
    jpeg_decompress_struct* c = &s->cinfo;
    CodecHeader now = *h;
    if (int rc = ReadJpegHeader(s, &now)) return rc;
    // The file must still be the one the header was read from.
    if (now.width != h->width || now.height != h->height || now.bpp != h->bpp)
        return kCodecErrBadSize;
    const size_t pixelBytes = size_t(h->bpp / 8);
    const size_t rowBytes = size_t(h->width) * pixelBytes;
    const size_t stride = size_t(CodecStride(h->width, h->bpp));
    // An upright picture is decoded straight into the buffer; a turned one first
    // into rows of its stored size (no larger than the buffer).
    const bool turn = s->orientation != kOrientationNormal;
    const size_t storedRow = size_t(c->output_width) * pixelBytes;
    if (turn) {
        s->stored = new (std::nothrow) uint8_t[storedRow * c->output_height];
        if (!s->stored) return kCodecErrMemory;
    }
    jpeg_start_decompress(c);
    while (c->output_scanline < c->output_height) {
        uint8_t* row = turn ? s->stored + storedRow * c->output_scanline
                            : FormatRow(pixels, h, h->height - 1 - int32_t(c->output_scanline));
        JSAMPROW rows[1] = {row};
        jpeg_read_scanlines(c, rows, 1);
#ifndef JCS_EXTENSIONS
        if (h->bpp == 24)
            for (size_t x = 0; x < storedRow; x += 3)
                std::swap(row[x], row[x + 2]);
#endif
    }
    jpeg_finish_decompress(c);
    if (turn)
        OrientPixels(s->stored, ptrdiff_t(storedRow), int(c->output_width), int(c->output_height),
                     int(pixelBytes), s->orientation, FormatRow(pixels, h, h->height - 1),
                     -ptrdiff_t(stride));
    for (int32_t y = 0; y < h->height; ++y)
        std::memset(FormatRow(pixels, h, y) + rowBytes, 0, stride - rowBytes);
    return kCodecOk;
}

int Run(CodecFile* f, CodecHeader* h, uint8_t* pixels, Step step) {
    Session* s = new (std::nothrow) Session();
    if (!s) return kCodecErrMemory;
    s->cinfo.err = jpeg_std_error(&s->err.pub);
    s->err.pub.error_exit = ErrorExit;
    s->err.pub.output_message = OutputMessage;
    if (setjmp(s->err.jump)) {
        int code = s->err.code;
        jpeg_destroy_decompress(&s->cinfo);
        delete[] s->stored;
        delete s;
        return code;
    }
    jpeg_create_decompress(&s->cinfo);
    s->cinfo.mem->max_memory_to_use = kLibraryMemory;
    s->src.file = f;
    s->src.pub.init_source = InitSource;
    s->src.pub.fill_input_buffer = FillInputBuffer;
    s->src.pub.skip_input_data = SkipInputData;
    s->src.pub.resync_to_restart = jpeg_resync_to_restart;
    s->src.pub.term_source = TermSource;
    s->cinfo.src = &s->src.pub;
    int rc = step == Step::Header ? ReadJpegHeader(s, h) : DecodeRows(s, h, pixels);
    jpeg_destroy_decompress(&s->cinfo);
    delete[] s->stored;
    delete s;
    return rc;
}

int ReadHeader(const char*, CodecFile* f, CodecHeader* h, const char*) {
    return Run(f, h, nullptr, Step::Header);
}

int ReadPalette(CodecFile*, CodecHeader* h, uint8_t* palette) {
    if (h->bpp == 8)
        for (int i = 0; i < 256; ++i)
            std::memset(palette + 3 * i, i, 3);
    return kCodecOk;
}

int ReadData(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    if (CodecSeek(f, 0, kCodecSeekSet) != 0) return kCodecErrRead;
    return Run(f, h, pixels, Step::Data);
}

const char* ErrorText(int code) {
    if (code < kJpegFirstCode || code >= kJpegFirstCode + kMessageSlots) return nullptr;
    return g_messages[code - kJpegFirstCode];
}

} // namespace

const CodecReader kJpegReader = {ReadHeader, ReadPalette, ReadData, ErrorText};
