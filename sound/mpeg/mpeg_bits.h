// Most-significant-bit-first reading over a byte buffer.  Reads past the end return
// zero bits (the buffers handed to it carry zero padding), and overrun() tells that it
// happened, so that malformed data cannot make a reader leave its buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/byte_io.h"

class MpegBits {
  public:
    MpegBits() = default;
    MpegBits(const uint8_t* data, size_t size) : data_(data), sizeBits_(size * 8) {}

    // n <= 25 bits.
    uint32_t Read(int n) {
        const uint32_t v = Peek(n);
        pos_ += size_t(n);
        return v;
    }
    bool ReadBit() { return Read(1) != 0; }
    // The next n <= 25 bits without consuming them.
    uint32_t Peek(int n) const {
        if (n == 0) return 0;
        const size_t byte = pos_ >> 3;
        uint32_t w = 0;
        if ((byte + 4) * 8 <= sizeBits_) {
            const uint8_t* p = data_ + byte;
            w = LoadBE32(p);
        } else {
            for (int i = 0; i < 4; ++i) {
                const size_t b = byte + size_t(i);
                w = (w << 8) | (b * 8 < sizeBits_ ? data_[b] : 0u);
            }
        }
        return (w << (pos_ & 7)) >> (32 - n);
    }
    void Skip(size_t n) { pos_ += n; }
    size_t position() const { return pos_; }
    void SetPosition(size_t p) { pos_ = p; }
    size_t size() const { return sizeBits_; }
    bool overrun() const { return pos_ > sizeBits_; }

  private:
    const uint8_t* data_ = nullptr;
    size_t sizeBits_ = 0;
    size_t pos_ = 0;
};
