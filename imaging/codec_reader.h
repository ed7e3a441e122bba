// What a format reader implements and the helpers it may use.  Included by
// imaging/codec_table.cpp and by each imaging/formats/<name>.cpp; callers of
// the library need only imaging/codec.h.  See "Adding a format reader" there.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "imaging/codec.h"

// One row's operations.  The library has already checked that handle, header
// and buffer are present and, for ReadHeader, seeked the handle to 0.
struct CodecReader {
    // Fills width, height, bpp (and the format's own public fields) and the
    // private area.  fileName is for readers that open companion files
    // through handle->io; options is never null.
    int (*readHeader)(const char* fileName, CodecFile* handle, CodecHeader* header,
                      const char* options);
    // Fills the entries the reader knows of the 3 x 2^bpp byte palette.
    int (*readPalette)(CodecFile* handle, CodecHeader* header, uint8_t* palette);
    // Fills height x CodecStride(width, bpp) bytes, rows bottom-up.  The handle's
    // position when it returns 0 becomes nextOffset.
    int (*readData)(CodecFile* handle, CodecHeader* header, uint8_t* pixels);
    // Text of one of the reader's own codes, or nullptr when the code is not its.
    const char* (*errorText)(int code);
};

// The readers, one for each row of the table.
extern const CodecReader kGifReader;
extern const CodecReader kBmpReader;
extern const CodecReader kJpegReader;
extern const CodecReader kTargaReader;
extern const CodecReader kPcxReader;
extern const CodecReader kTiffReader;
extern const CodecReader kGreymapReader;
extern const CodecReader kPixmapReader;
extern const CodecReader kXBitmapReader;
extern const CodecReader kIlbmReader;
extern const CodecReader kGemRasReader;
extern const CodecReader kSpriteReader;
extern const CodecReader kYuv12cReader;
extern const CodecReader kKipsReader;
extern const CodecReader kIaxReader;
extern const CodecReader kPsegReader;
extern const CodecReader kPortraitReader;
extern const CodecReader kPngReader;

// The fixed table (imaging/codec_table.cpp).
struct FormatEntry {
    const char* shortName;
    const char* longName;
    const char* extensions; // words separated by blanks, tabs or commas
    uint8_t caps;           // kCodecRead* bits; high nibble (writers) always 0
    const CodecReader* reader;
};
extern const FormatEntry kFormatTable[kCodecFormatCount];

// ---- Helpers for readers ----
// Reads exactly n bytes: 0, or 7 on a short read or an error.
int CodecReadExact(CodecFile* f, void* buf, int32_t n);
// Reads up to n bytes; returns the count read (0 at the end or on an error).
int32_t CodecReadSome(CodecFile* f, void* buf, int32_t n);
// Absolute or relative seek; returns the new position or -1.
int64_t CodecSeek(CodecFile* f, int64_t offset, int origin);
// The extension of a file name: the text after its last dot when no path
// separator ('/' or '\\') follows that dot; nullptr when there is none.
const char* CodecFindExtension(const char* fileName);
// Current position (-1 on error).
inline int64_t CodecTell(CodecFile* f) {
    return CodecSeek(f, 0, kCodecSeekCur);
}

// The reader's state in the header's private area.  T must be trivial and fit.
template <class T> T* CodecPrivate(CodecHeader* h) {
    static_assert(std::is_trivial<T>::value, "private state must be a trivial type");
    static_assert(sizeof(T) <= kCodecPrivateSize, "private state must fit the header");
    static_assert(alignof(T) <= 8, "private state alignment");
    return reinterpret_cast<T*>(h->priv);
}

// Buffered reading of a handle, for readers that take bytes one at a time.
// Refills in blocks; Position() is the logical position of the next byte, and
// Sync() seeks the handle there so the library sees the right nextOffset.
class CodecByteSource {
  public:
    explicit CodecByteSource(CodecFile* f) : f_(f) { base_ = CodecTell(f); }
    // Next byte, or -1 at the end of the file.
    int Byte() {
        if (pos_ == len_ && !Fill()) return -1;
        return buf_[pos_++];
    }
    // Exactly n bytes, or false (short read).
    bool Read(void* out, int32_t n);
    // Skips n bytes forward; false when the file ends first.
    bool Skip(int32_t n);
    int64_t Position() const { return base_ + pos_; }
    bool Sync() { return base_ >= 0 && CodecSeek(f_, Position(), kCodecSeekSet) >= 0; }
    // Direct access for tight loops: the bytes buffered and not yet taken.
    const uint8_t* Data() const { return buf_ + pos_; }
    int32_t Available() const { return len_ - pos_; }
    void Advance(int32_t n) { pos_ += n; }
    bool Fill();

  private:
    CodecFile* f_;
    int64_t base_; // file position of buf_[0]
    int32_t pos_ = 0, len_ = 0;
    uint8_t buf_[8192];
};
