// The library's interface over the format table: argument checks, format
// guessing by extension, option text, error texts and the readers' I/O helpers.
#include "imaging/codec_reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool ValidIndex(int index) {
    return index >= 0 && index < kCodecFormatCount;
}

int LowerAscii(int c) {
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

bool SameNoCase(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (LowerAscii(static_cast<unsigned char>(a[i])) !=
            LowerAscii(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == ',';
}

// Calls visit(token, length) for each token of text until it returns true.
template <class Visit> bool ForEachToken(const char* text, size_t limit, Visit visit) {
    size_t i = 0;
    while (i < limit && text[i]) {
        while (i < limit && text[i] && IsSeparator(text[i]))
            ++i;
        size_t start = i;
        while (i < limit && text[i] && !IsSeparator(text[i]))
            ++i;
        if (i > start && visit(text + start, i - start)) return true;
    }
    return false;
}

size_t OptionLength(const char* options) {
    return options ? std::strlen(options) : 0;
}

const char* const kOwnTexts[] = {
    "ok",
    "out of memory",
    "not supported",
    "bad option(s)",
    "not found",
    "bad magic number / signiture block",
    "bad bitmap size",
    "can't read file",
    "can't write file",
    "bad argument to vellum function",
};

} // namespace

int32_t CodecStride(int32_t width, int32_t bpp) {
    if (width <= 0 || bpp <= 0) return 0;
    int64_t stride = ((int64_t(width) * bpp + 31) / 32) * 4;
    return stride > INT32_MAX ? 0 : int32_t(stride);
}

int codec_count(int* n) {
    if (!n) return kCodecErrBadArg;
    *n = kCodecFormatCount;
    return kCodecOk;
}

const char* CodecFindExtension(const char* fileName) {
    const char* dot = std::strrchr(fileName, '.');
    return dot && !std::strpbrk(dot, "/\\") ? dot + 1 : nullptr;
}

int codec_guess(const char* fileName, int* index) {
    if (!fileName || !index) return kCodecErrBadArg;
    const char* found = CodecFindExtension(fileName);
    const char* ext = found ? found : "";
    size_t extLen = std::strlen(ext);
    for (int i = 0; i < kCodecFormatCount; ++i) {
        const char* list = kFormatTable[i].extensions;
        bool hit = ForEachToken(list, SIZE_MAX, [&](const char* word, size_t len) {
            return len == extLen && SameNoCase(word, ext, len);
        });
        if (hit) {
            *index = i;
            return kCodecOk;
        }
    }
    return kCodecErrNotFound;
}

int codec_describe(int index, const char** shortName, const char** longName,
                   const char** extensions, uint8_t* caps) {
    if (!ValidIndex(index)) return kCodecErrBadArg;
    const FormatEntry& e = kFormatTable[index];
    if (shortName) *shortName = e.shortName;
    if (longName) *longName = e.longName;
    if (extensions) *extensions = e.extensions;
    if (caps) *caps = e.caps;
    return kCodecOk;
}

int codec_read_header(const char* fileName, CodecFile* handle, int index, CodecHeader* header,
                      const char* options) {
    if (!handle || !handle->io || !header || !ValidIndex(index)) return kCodecErrBadArg;
    const CodecReader* r = kFormatTable[index].reader;
    if (!r) return kCodecErrNotSupported;
    if (OptionLength(options) > size_t(kCodecMaxOptionText)) return kCodecErrBadOption;
    if (CodecSeek(handle, 0, kCodecSeekSet) != 0) return kCodecErrRead;
    return r->readHeader(fileName ? fileName : "", handle, header, options ? options : "");
}

int codec_read_palette(CodecFile* handle, int index, CodecHeader* header, uint8_t* palette) {
    if (!handle || !handle->io || !header || !palette || !ValidIndex(index)) return kCodecErrBadArg;
    const CodecReader* r = kFormatTable[index].reader;
    if (!r) return kCodecErrNotSupported;
    return r->readPalette(handle, header, palette);
}

int codec_read_data(CodecFile* handle, int index, CodecHeader* header, uint8_t* pixels) {
    if (!handle || !handle->io || !header || !pixels || !ValidIndex(index)) return kCodecErrBadArg;
    const CodecReader* r = kFormatTable[index].reader;
    if (!r) return kCodecErrNotSupported;
    int rc = r->readData(handle, header, pixels);
    if (rc == kCodecOk) {
        int64_t pos = CodecTell(handle);
        header->nextOffset = pos < 0 || pos > INT32_MAX ? -1 : int32_t(pos);
    }
    return rc;
}

const char* codec_error_text(int code) {
    if (code >= 0 && code <= 9) return kOwnTexts[code];
    for (const FormatEntry& e : kFormatTable) {
        if (!e.reader || !e.reader->errorText) continue;
        if (const char* t = e.reader->errorText(code)) return t;
    }
    return "general error";
}

bool CodecFindFlag(const char* options, const char* name) {
    if (!options || !name) return false;
    size_t n = std::strlen(name);
    return ForEachToken(options, kCodecMaxOptionText, [&](const char* tok, size_t len) {
        return len == n && SameNoCase(tok, name, n);
    });
}

bool CodecFindValue(const char* options, const char* name, int* value) {
    if (!options || !name) return false;
    size_t n = std::strlen(name);
    const char* found = nullptr;
    size_t foundLen = 0;
    ForEachToken(options, kCodecMaxOptionText, [&](const char* tok, size_t len) {
        if (len < n || !SameNoCase(tok, name, n)) return false;
        found = tok;
        foundLen = len;
        return true;
    });
    if (!found) return false;
    char digits[kCodecMaxOptionText + 1];
    size_t m = foundLen - n;
    std::memcpy(digits, found + n, m);
    digits[m] = '\0';
    int v = 0;
    if (std::sscanf(digits, "%d", &v) != 1) return false;
    if (value) *value = v;
    return true;
}

// ---- Reader helpers ----

int32_t CodecReadSome(CodecFile* f, void* buf, int32_t n) {
    if (n <= 0) return 0;
    int32_t got = f->io->read(f->io->ctx, f->fd, buf, n);
    return got < 0 ? 0 : got;
}

int CodecReadExact(CodecFile* f, void* buf, int32_t n) {
    auto* p = static_cast<uint8_t*>(buf);
    while (n > 0) {
        int32_t got = CodecReadSome(f, p, n);
        if (got <= 0) return kCodecErrRead;
        p += got;
        n -= got;
    }
    return kCodecOk;
}

int64_t CodecSeek(CodecFile* f, int64_t offset, int origin) {
    return f->io->seek(f->io->ctx, f->fd, offset, origin);
}

bool CodecByteSource::Fill() {
    if (base_ < 0) return false;
    base_ += len_;
    pos_ = len_ = 0;
    int32_t got = CodecReadSome(f_, buf_, int32_t(sizeof buf_));
    len_ = got;
    return got > 0;
}

bool CodecByteSource::Read(void* out, int32_t n) {
    auto* p = static_cast<uint8_t*>(out);
    while (n > 0) {
        if (pos_ == len_ && !Fill()) return false;
        int32_t take = len_ - pos_ < n ? len_ - pos_ : n;
        std::memcpy(p, buf_ + pos_, size_t(take));
        pos_ += take;
        p += take;
        n -= take;
    }
    return true;
}

bool CodecByteSource::Skip(int32_t n) {
    while (n > 0) {
        if (pos_ == len_ && !Fill()) return false;
        int32_t take = len_ - pos_ < n ? len_ - pos_ : n;
        pos_ += take;
        n -= take;
    }
    return true;
}
