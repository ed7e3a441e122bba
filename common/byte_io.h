// Little-endian byte reading and writing over memory.  The reader never reads
// past its end: a read that does not fit returns zeros and clears ok(), which
// callers check once per record instead of after every field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ByteReader {
  public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit ByteReader(const std::vector<uint8_t>& v) : ByteReader(v.data(), v.size()) {}

    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    size_t size() const { return size_; }
    size_t remaining() const { return size_ - pos_; }

    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    // Copies n bytes; on a short read copies nothing and clears ok().
    bool Bytes(void* out, size_t n);
    bool Skip(size_t n);
    bool Seek(size_t pos);
    // Marks the data as unusable (a format check failed).
    void Fail() { ok_ = false; }
    const uint8_t* Here() const { return data_ + pos_; }

  private:
    bool Take(size_t n);
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

class ByteWriter {
  public:
    void U8(uint8_t v) { out_.push_back(v); }
    void U16(uint16_t v);
    void U32(uint32_t v);
    void Bytes(const void* p, size_t n);
    void Text(const std::string& s) { Bytes(s.data(), s.size()); }
    std::vector<uint8_t>& Data() { return out_; }
    const std::vector<uint8_t>& Data() const { return out_; }

  private:
    std::vector<uint8_t> out_;
};

inline uint16_t LoadLE16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint16_t LoadBE16(const uint8_t* p) {
    return uint16_t((p[0] << 8) | p[1]);
}
inline uint32_t LoadBE32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
inline uint32_t LoadLE32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void StoreLE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
