// The album file: the image entries and the sound entries that make a saver.
//
// Layout (archive encoding, see common/archive.h), no header besides the first item:
//   text "ALB" | list ImageList | list SoundList
// An album with two empty lists is 03 41 4C 42 00 00 00 00.
//
// An image entry is a path, optionally followed by "|" and a caption.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

std::vector<uint8_t> EncodeAlbum(const std::vector<std::string>& images,
                                 const std::vector<std::string>& sounds);

enum class AlbumResult {
    Ok,          // both lists read
    NotAlbum,    // the first text is not exactly "ALB": the lists are left unchanged
    Truncated,   // the lists hold what was read before the data ended
};
// Replaces the lists with the album's; never allocates more than the bytes justify.
AlbumResult DecodeAlbum(const uint8_t* data, size_t size, std::vector<std::string>& images,
                        std::vector<std::string>& sounds);

// Path: text before the first "|"; caption: text after it (empty when there is no
// "|", and for an entry that begins with "|").
std::string EntryPath(const std::string& entry);
std::string EntryCaption(const std::string& entry);
// Joins with "|" only when the caption is not empty.
std::string MakeImageEntry(const std::string& path, const std::string& caption);
