// Settings-file primitives.  The Windows build reads and writes a private
// profile file; tests and the ini checks use the in-memory store, which parses
// the same text format.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

class ProfileStore {
  public:
    virtual ~ProfileStore() = default;
    // False when the key is absent.  Values are cut at 999 characters, the
    // settings file's 1000-character read buffer.
    virtual bool Read(const std::string& section, const std::string& key, std::string& out) = 0;
    virtual void Write(const std::string& section, const std::string& key,
                       const std::string& value) = 0;
    virtual void Flush() {}

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def);
    // Decimal integer with optional sign; an absent or empty value gives the
    // default, digits beyond 32 bits wrap as the C library's conversion does.
    int32_t ReadInt(const std::string& section, const std::string& key, int32_t def);
    void WriteInt(const std::string& section, const std::string& key, int64_t value);
};

constexpr size_t kProfileValueMax = 999;

// Parses the text of an initialization file: "[section]" lines and key=value
// lines; section and key names compare case-insensitively as Windows does.
class MemoryProfile : public ProfileStore {
  public:
    MemoryProfile() = default;
    explicit MemoryProfile(const std::string& text);
    bool Read(const std::string& section, const std::string& key, std::string& out) override;
    void Write(const std::string& section, const std::string& key,
               const std::string& value) override;
    std::string Text() const;
    size_t Count() const { return entries_.size(); }

  private:
    struct Entry {
        std::string section, key, value;
    };
    Entry* Find(const std::string& section, const std::string& key);
    std::vector<Entry> entries_;
};

// Text to integer as ReadInt does (exposed for the tests and the builder).
bool ParseProfileInt(const std::string& text, int32_t& out);
