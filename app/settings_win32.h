// The start-up load and the saves of the settings file and the album, on the
// real file system and registry.
#pragma once

#include <string>

#include "app/profile.h"

// A private profile (initialization) file.
class IniFileProfile : public ProfileStore {
  public:
    explicit IniFileProfile(std::string path) : path_(std::move(path)) {}
    bool Read(const std::string& section, const std::string& key, std::string& out) override;
    void Write(const std::string& section, const std::string& key,
               const std::string& value) override;
    void Flush() override;

  private:
    std::string path_;
};

// Reads the identity record, finds the installation folder, reads the settings
// file and the album.  On failure it has shown its message and returns false.
bool LoadSettings();
// Writes every persisted key and, unless this is a created saver, the album.
bool SaveSettings();
void LoadAlbum();
void SaveAlbum();

// The settings-file primitives on g_IniPath (or another file when given).
int ReadProfileInt(const char* section, const char* key, int def, const char* file = nullptr);
std::string ReadProfileString(const char* section, const char* key, const char* def,
                              const char* file = nullptr);
void WriteProfileInt(const char* section, const char* key, int value, const char* file = nullptr);
void WriteProfileString(const char* section, const char* key, const std::string& text,
                        const char* file = nullptr);

// The product's name from string 1 of the program's string table; kProductName
// when the program has none (test programs).
std::string ProductName();

bool FileExists(const std::string& path);
// The whole file, at most maxBytes; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& out, size_t maxBytes);
