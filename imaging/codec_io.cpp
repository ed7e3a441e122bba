// The default file operations (the C runtime's low-level functions) and the
// in-memory "file system" used by tests and fuzzers.
#include "imaging/codec.h"

#include <cstring>
#include <fcntl.h>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

#if defined(_WIN32)
int64_t CrtOpen(void*, const char* name, int flags) {
    return flags == kCodecOpenRead ? _open(name, _O_RDONLY | _O_BINARY) : -1;
}
int64_t CrtCreate(void*, const char* name) {
    return _open(name, _O_WRONLY | _O_BINARY | _O_CREAT | _O_TRUNC, 0666);
}
void CrtClose(void*, int64_t fd) {
    _close(int(fd));
}
int64_t CrtSeek(void*, int64_t fd, int64_t offset, int origin) {
    return _lseeki64(int(fd), offset, origin);
}
int32_t CrtRead(void*, int64_t fd, void* buf, int32_t count) {
    return _read(int(fd), buf, unsigned(count));
}
int32_t CrtWrite(void*, int64_t fd, const void* buf, int32_t count) {
    return _write(int(fd), buf, unsigned(count));
}
#else
int64_t CrtOpen(void*, const char* name, int flags) {
    return flags == kCodecOpenRead ? ::open(name, O_RDONLY) : -1;
}
int64_t CrtCreate(void*, const char* name) {
    return ::open(name, O_WRONLY | O_CREAT | O_TRUNC, 0666);
}
void CrtClose(void*, int64_t fd) {
    ::close(int(fd));
}
int64_t CrtSeek(void*, int64_t fd, int64_t offset, int origin) {
    static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (origin < 0 || origin > 2) return -1;
    return ::lseek(int(fd), off_t(offset), kWhence[origin]);
}
int32_t CrtRead(void*, int64_t fd, void* buf, int32_t count) {
    return int32_t(::read(int(fd), buf, size_t(count)));
}
int32_t CrtWrite(void*, int64_t fd, const void* buf, int32_t count) {
    return int32_t(::write(int(fd), buf, size_t(count)));
}
#endif

const CodecIo kCrtIo = {CrtOpen, CrtCreate, CrtClose, CrtSeek, CrtRead, CrtWrite, nullptr};

CodecMemory* Mem(void* ctx) {
    return static_cast<CodecMemory*>(ctx);
}

int64_t MemOpen(void* ctx, const char*, int flags) {
    if (flags != kCodecOpenRead) return -1;
    Mem(ctx)->pos = 0;
    Mem(ctx)->isOpen = true;
    return 0;
}
int64_t MemCreate(void*, const char*) {
    return -1;
}
void MemClose(void* ctx, int64_t) {
    Mem(ctx)->isOpen = false;
}
int64_t MemSeek(void* ctx, int64_t fd, int64_t offset, int origin) {
    CodecMemory* m = Mem(ctx);
    if (fd != 0 || !m->isOpen) return -1;
    int64_t base = origin == kCodecSeekSet   ? 0
                   : origin == kCodecSeekCur ? m->pos
                   : origin == kCodecSeekEnd ? int64_t(m->size)
                                             : -1;
    if (base < 0 || offset < -base) return -1;
    m->pos = base + offset; // past the end is allowed, as with lseek
    return m->pos;
}
int32_t MemRead(void* ctx, int64_t fd, void* buf, int32_t count) {
    CodecMemory* m = Mem(ctx);
    if (fd != 0 || !m->isOpen || count < 0) return -1;
    if (m->pos >= int64_t(m->size)) return 0;
    int64_t left = int64_t(m->size) - m->pos;
    int32_t n = left < count ? int32_t(left) : count;
    std::memcpy(buf, m->data + m->pos, size_t(n));
    m->pos += n;
    return n;
}
int32_t MemWrite(void*, int64_t, const void*, int32_t) {
    return -1;
}

} // namespace

const CodecIo* codec_default_io() {
    return &kCrtIo;
}

void codec_memory_init(CodecMemory* mem, const void* data, size_t size) {
    mem->data = static_cast<const uint8_t*>(data);
    mem->size = size;
    mem->io = {MemOpen, MemCreate, MemClose, MemSeek, MemRead, MemWrite, mem};
    mem->pos = 0;
    mem->isOpen = false;
}

bool codec_open(CodecFile* f, const CodecIo* io, const char* name) {
    if (!f || !io || !name) return false;
    f->io = io;
    f->fd = io->open(io->ctx, name, kCodecOpenRead);
    return f->fd >= 0;
}

void codec_close(CodecFile* f) {
    if (f && f->io && f->fd >= 0) f->io->close(f->io->ctx, f->fd);
    if (f) f->fd = -1;
}
