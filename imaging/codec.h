// The bitmap codec library: a fixed table of 18 image
// formats, each with its own reader, behind one small interface that picks a
// format by file extension and reads a file's header, palette and pixel data
// into the caller's buffers.  Portable: no <windows.h>, and no hidden I/O —
// every byte is read through the CodecIo operations of the handle the caller
// passes, so files, memory (tests, fuzzers) and anything else look the same.
//
// Calling sequence (the caller opens and closes the handle):
//   codec_guess(name, &fmt);
//   CodecFile f; codec_open(&f, io, name);             // or codec_open_memory
//   codec_read_header(name, &f, fmt, &hdr, "index=0");
//   codec_read_palette(&f, fmt, &hdr, pal);           // when hdr.bpp <= 8
//   codec_read_data(&f, fmt, &hdr, pixels);           // sets hdr.nextOffset
//   codec_close(&f);
//
// Buffers:
//   palette: 3 x 2^bpp bytes, each entry red, green, blue.  Readers fill the
//            entries they know; the caller clears the buffer first.
//   pixels:  height x CodecStride(width, bpp) bytes, stride = ((width*bpp+31)/32)*4;
//            rows bottom-up (the last buffer row is the top image row); 1-bit
//            pixels MSB first, 4-bit high nibble first, 24-bit blue, green, red.
//
// Option text: tokens separated by blanks, tabs or commas, at most 100
// characters (longer: code 3).  A flag option is a token equal to its name, a
// valued option the first token that begins with its name ("index=3"); names
// compare without regard to case.  See CodecFindFlag / CodecFindValue.
//
// Adding a format reader (the rows whose reader is missing answer code 2):
//   1. Write imaging/formats/<name>.cpp defining one `const CodecReader
//      kXxxReader = {ReadHeader, ReadPalette, ReadData, ErrorText};` using the
//      helpers of imaging/codec_reader.h (CodecReadExact, CodecSeek, ...).
//      Keep the reader's state in the header's private area (CodecPrivate<T>).
//   2. Declare it in imaging/codec_reader.h and put `&kXxxReader` into the
//      row's reader slot in imaging/codec_table.cpp (one line).
//   3. Add the file to imaging/CMakeLists.txt (PLINTHAR_IMAGING_FORMATS).
// The library checks the arguments (code 9) and seeks to 0 before the header
// reader, and stores nextOffset after a successful data reader; a reader
// returns one of codes 0-9 or a code of its own block (GIF 1100-1104, ...),
// and its ErrorText answers the texts of its own block (nullptr otherwise).
// Blocks: Greymap 100, Pixmap 200, Bitmap 300, Targa 400, PCX 700, TIFF 800,
// ILBM 900, YUV12C 1000, GIF 1100, XBitmap 1300, Sprite 1400, IAX 1500,
// PSEG 1600, GemRas 1700, KIPS 1800, Portrait 1900, JPEG 1910-1929, PNG 2000-2002.
#pragma once

#include <cstddef>
#include <cstdint>

// ---- Result codes 0-9 (the library's own; each format owns a block above) ----
constexpr int kCodecOk = 0;
constexpr int kCodecErrMemory = 1;       // "out of memory"
constexpr int kCodecErrNotSupported = 2; // "not supported" (also: a row without reader)
constexpr int kCodecErrBadOption = 3;    // "bad option(s)"
constexpr int kCodecErrNotFound = 4;     // "not found" (codec_guess: no format has the extension)
constexpr int kCodecErrBadMagic = 5;     // "bad magic number / signiture block"
constexpr int kCodecErrBadSize = 6;      // "bad bitmap size"
constexpr int kCodecErrRead = 7;         // "can't read file" (short read, truncated file)
constexpr int kCodecErrWrite = 8;        // "can't write file"
constexpr int kCodecErrBadArg = 9; // "bad argument to vellum function" (missing buffer/header)

constexpr int kCodecFormatCount = 18;
constexpr int kCodecMaxOptionText = 100;

// Row indices of the fixed format table.
enum : int {
    kFormatBitmap = 0,
    kFormatGif = 1,
    kFormatPcx = 2,
    kFormatTiff = 3,
    kFormatTarga = 4,
    kFormatIlbm = 5,
    kFormatYuv12c = 6,
    kFormatGreymap = 7,
    kFormatPixmap = 8,
    kFormatKips = 9,
    kFormatIax = 10,
    kFormatXBitmap = 11,
    kFormatSprite = 12,
    kFormatPseg = 13,
    kFormatGemRas = 14,
    kFormatPortrait = 15,
    kFormatJpeg = 16,
    kFormatPng = 17, // appended: the rows above keep their indexes
};

// Capability byte: low nibble = depths read, high nibble = depths a writer accepts.
enum : uint8_t {
    kCodecRead1 = 0x01,
    kCodecRead4 = 0x02,
    kCodecRead8 = 0x04,
    kCodecRead24 = 0x08,
};

// ---- File operations ----
// Open flags (only reading is used by the system).
enum : int { kCodecOpenRead = 0, kCodecOpenWrite = 1 };
enum : int { kCodecSeekSet = 0, kCodecSeekCur = 1, kCodecSeekEnd = 2 };

// Six operations on an opaque context.  A file descriptor is an int64 (-1 = none).
// The defaults (codec_default_io) call the C runtime's low-level file functions
// (_open/_read/_lseek/_close with O_RDONLY|O_BINARY).
struct CodecIo {
    int64_t (*open)(void* ctx, const char* name, int flags); // -> fd or -1
    int64_t (*create)(void* ctx, const char* name);          // -> fd or -1
    void (*close)(void* ctx, int64_t fd);
    int64_t (*seek)(void* ctx, int64_t fd, int64_t offset, int origin); // new pos or -1
    int32_t (*read)(void* ctx, int64_t fd, void* buf,
                    int32_t count); // bytes read (0 at end, -1 error)
    int32_t (*write)(void* ctx, int64_t fd, const void* buf, int32_t count);
    void* ctx;
};

// The handle of the interface: an open file and the operations that reach it.
struct CodecFile {
    const CodecIo* io = nullptr;
    int64_t fd = -1;
};

const CodecIo* codec_default_io();

// A memory "file system" of one buffer: every name opens the same bytes
// (reading only; the bytes must outlive the handles).  For tests and fuzzers.
struct CodecMemory {
    const uint8_t* data = nullptr;
    size_t size = 0;
    CodecIo io{}; // filled by codec_memory_init; io.ctx points at this object
    int64_t pos = 0;
    bool isOpen = false;
};
void codec_memory_init(CodecMemory* mem, const void* data, size_t size);

// Opens name through io read-only; false when it cannot be opened.
bool codec_open(CodecFile* f, const CodecIo* io, const char* name);
void codec_close(CodecFile* f);

// ---- The header record (2048 bytes, one per image object) ----
constexpr size_t kCodecHeaderSize = 2048;
constexpr size_t kCodecPrivateSize = 2048 - 12 * 4;

struct CodecHeader {
    int32_t screenWidth;      // GIF logical screen width
    int32_t screenHeight;     // GIF logical screen height
    int32_t left;             // GIF image left position on the logical screen
    int32_t top;              // GIF image top position
    int32_t width;            // image width in pixels (all formats)
    int32_t height;           // image height in pixels (all formats)
    int32_t bpp;              // bits per pixel delivered: 1, 4, 8 or 24
    int32_t transparentIndex; // GIF: transparent colour index, or -1
    int32_t delay;            // GIF: frame delay in 1/100 s
    int32_t controlFlags;     // GIF: packed byte of the last graphic control extension
    int32_t backgroundColor;  // GIF: background colour as COLORREF 0x00BBGGRR
    int32_t nextOffset;       // file position after the last pixel data read
    alignas(8) unsigned char priv[kCodecPrivateSize]; // the reader's own state
};
static_assert(sizeof(CodecHeader) == kCodecHeaderSize, "CodecHeader is 2048 bytes");

// Row stride in bytes of the pixel buffer: ((width * bpp + 31) / 32) * 4.
// 0 when width or bpp is not positive or the stride does not fit in 31 bits.
int32_t CodecStride(int32_t width, int32_t bpp);

// ---- The interface ----
// n = 18.  Returns 0 (9 when n is missing).
int codec_count(int* n);
// Format by file extension: the text after the last "." not followed by "/" or
// "\"; compared case-insensitively with each word of each row's extension list,
// rows in table order.  0 and *index, or 4 when none matches (9: missing argument).
int codec_guess(const char* fileName, int* index);
// Names, extension list and capability byte of row index (the "describe" operation).
// 9 for an index outside 0..17.
int codec_describe(int index, const char** shortName, const char** longName,
                   const char** extensions, uint8_t* caps);
// Seeks the handle to 0, then runs the row's header reader with the option text
// (nullptr = ""); fills the header's public fields and its private area.
// 2 for a row without reader, 3 for an option text over 100 characters,
// 9 for a missing handle or header or a bad index; else the reader's code.
int codec_read_header(const char* fileName, CodecFile* handle, int index, CodecHeader* header,
                      const char* options);
// Fills the palette buffer (3 x 2^bpp bytes).  2, 9 as above; else the reader's code.
int codec_read_palette(CodecFile* handle, int index, CodecHeader* header, uint8_t* palette);
// Fills the pixel buffer; on success stores the handle's position in nextOffset.
int codec_read_data(CodecFile* handle, int index, CodecHeader* header, uint8_t* pixels);
// Texts of codes 0-9, then each row's own block in table order, else "general error".
const char* codec_error_text(int code);

// ---- Option text helpers (also for the readers) ----
// True when a token of options equals name (case-insensitive).
bool CodecFindFlag(const char* options, const char* name);
// The first token beginning with name (case-insensitive), read as "%d" after the
// name; false when no token begins with name or no number follows it.
bool CodecFindValue(const char* options, const char* name, int* value);
