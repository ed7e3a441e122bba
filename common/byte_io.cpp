#include "common/byte_io.h"

#include <cstring>

bool ByteReader::Take(size_t n) {
    if (!ok_ || n > size_ - pos_) {
        ok_ = false;
        return false;
    }
    return true;
}

uint8_t ByteReader::U8() {
    if (!Take(1)) return 0;
    return data_[pos_++];
}

uint16_t ByteReader::U16() {
    if (!Take(2)) return 0;
    uint16_t v = LoadLE16(data_ + pos_);
    pos_ += 2;
    return v;
}

uint32_t ByteReader::U32() {
    if (!Take(4)) return 0;
    uint32_t v = LoadLE32(data_ + pos_);
    pos_ += 4;
    return v;
}

bool ByteReader::Bytes(void* out, size_t n) {
    if (!Take(n)) return false;
    if (n) std::memcpy(out, data_ + pos_, n);
    pos_ += n;
    return true;
}

bool ByteReader::Skip(size_t n) {
    if (!Take(n)) return false;
    pos_ += n;
    return true;
}

bool ByteReader::Seek(size_t pos) {
    if (!ok_ || pos > size_) {
        ok_ = false;
        return false;
    }
    pos_ = pos;
    return true;
}

void ByteWriter::U16(uint16_t v) {
    out_.push_back(uint8_t(v));
    out_.push_back(uint8_t(v >> 8));
}

void ByteWriter::U32(uint32_t v) {
    U16(uint16_t(v));
    U16(uint16_t(v >> 16));
}

void ByteWriter::Bytes(const void* p, size_t n) {
    const uint8_t* b = static_cast<const uint8_t*>(p);
    out_.insert(out_.end(), b, b + n);
}
