#include "app/album.h"

#include "common/archive.h"

std::vector<uint8_t> EncodeAlbum(const std::vector<std::string>& images,
                                 const std::vector<std::string>& sounds) {
    ByteWriter w;
    WriteArchiveText(w, "ALB");
    WriteArchiveList(w, images);
    WriteArchiveList(w, sounds);
    return std::move(w.Data());
}

AlbumResult DecodeAlbum(const uint8_t* data, size_t size, std::vector<std::string>& images,
                        std::vector<std::string>& sounds) {
    ByteReader r(data, size);
    std::string magic;
    if (!ReadArchiveText(r, magic) || magic != "ALB") return AlbumResult::NotAlbum;
    images.clear();
    sounds.clear();
    if (!ReadArchiveList(r, images)) return AlbumResult::Truncated;
    if (!ReadArchiveList(r, sounds)) return AlbumResult::Truncated;
    return AlbumResult::Ok;
}

std::string EntryPath(const std::string& entry) { return entry.substr(0, entry.find('|')); }

std::string EntryCaption(const std::string& entry) {
    size_t bar = entry.find('|');
    if (bar == 0) return std::string();  // an entry without a path has no caption either
    return bar == std::string::npos ? std::string() : entry.substr(bar + 1);
}

std::string MakeImageEntry(const std::string& path, const std::string& caption) {
    return caption.empty() ? path : path + "|" + caption;
}
