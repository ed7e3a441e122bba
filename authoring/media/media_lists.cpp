#include "authoring/media/media_lists.h"

#include <algorithm>

#include "common/paths.h"
#include "saver/geometry/fitting.h"

namespace media {

const char kCaptionPlaceholder[] = "Enter caption here";

const char* const kInstrumentFamilyNames[kInstrumentFamilies] = {
    "Piano", "Chromatic Percussion", "Organ", "Guitar", "Bass", "Strings",
    "Ensemble", "Brass", "Reed", "Pipe", "Synth Lead", "Synth Pad",
    "Synth Effects", "Ethnic", "Percussive", "Sound Effects",
};

std::string AlbumDirectory(const std::string& albumFile) { return DirectoryPart(albumFile); }

std::string RelativeToAlbum(const std::string& path, const std::string& albumDir) {
    if (albumDir.empty() || path.size() <= albumDir.size()) return path;
    if (path[albumDir.size()] != '\\') return path;
    if (!EqualsNoCase(path.substr(0, albumDir.size()), albumDir)) return path;
    return path.substr(albumDir.size());
}

std::string AbsoluteEntryPath(const std::string& row, const std::string& albumDir) {
    bool relative = !row.empty() && row[0] == '\\' && (row.size() < 2 || row[1] != '\\');
    return relative ? albumDir + row : row;
}

bool IsDirectoryRow(const std::string& row) { return !row.empty() && row.back() == '\\'; }

size_t AddPicks(std::vector<std::string>& rows, const DialogPicks& picks,
                const std::string& albumDir) {
    size_t before = rows.size();
    for (const std::string& dir : picks.directories) {
        if (dir.empty()) continue;
        std::string row = RelativeToAlbum(dir, albumDir);
        if (!IsDirectoryRow(row)) row += '\\';
        rows.push_back(row);
    }
    size_t at = rows.size();
    for (const std::string& file : picks.files)
        rows.insert(rows.begin() + long(at), RelativeToAlbum(file, albumDir));
    return rows.size() - before;
}

std::vector<int> RemovalOrder(const std::vector<int>& selected, int rowCount) {
    std::vector<int> out;
    for (int i : selected)
        if (i >= 0 && i < rowCount) out.push_back(i);
    std::sort(out.begin(), out.end(), [](int a, int b) { return a > b; });
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

bool IsPreviewPlayable(const std::string& path) {
    size_t dot = path.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = ToLowerAscii(path.substr(dot + 1));
    static const char* const kPlayable[] = {"mid", "rmi", "wav", "cda",
                                            "mp1", "mp2", "mp3", "mpp"};
    for (const char* p : kPlayable)
        if (ext == p) return true;
    return false;
}

int NextPreviewRow(const std::vector<std::string>& rows, int playIndex) {
    int n = int(rows.size());
    if (n == 0) return -1;
    int start = playIndex < 0 || playIndex >= n ? 0 : playIndex;
    for (int k = 0; k < n; ++k) {
        int i = (start + k) % n;
        if (!IsDirectoryRow(rows[size_t(i)])) return i;
    }
    return -1;
}

OpenDialogResult SplitOpenFileNames(const char* buffer, size_t size) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i < size && buffer[i] != '\0') {
        size_t end = i;
        while (end < size && buffer[end] != '\0') ++end;
        parts.emplace_back(buffer + i, end - i);
        i = end + 1;
    }
    OpenDialogResult r;
    if (parts.empty()) return r;
    if (parts.size() == 1) {
        r.folder = DirectoryPart(parts[0]);
        r.files.push_back(parts[0]);
        return r;
    }
    r.folder = parts[0];
    // A drive's root comes back as "C:\"; other folders without the backslash.
    if (IsDirectoryRow(r.folder)) r.folder.pop_back();
    for (size_t k = 1; k < parts.size(); ++k) r.files.push_back(JoinPath(parts[0], parts[k]));
    return r;
}

bool NextDialogFolder(bool confirmed, const OpenDialogResult& chosen,
                      const std::vector<std::string>& addedFolders, std::string* dir) {
    std::string next;
    if (confirmed && !chosen.folder.empty())
        next = chosen.folder;
    else if (!addedFolders.empty())
        next = addedFolders.back();
    if (next.empty()) return false;
    *dir = next;
    return true;
}

std::string TrimSpace(const std::string& text) {
    const char* blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::string CaptionEditText(const std::string& caption) {
    std::string t = TrimSpace(caption);
    return t.empty() ? std::string(kCaptionPlaceholder) : t;
}

bool CaptionFromEdit(const std::string& editText, bool authorChanged, std::string* caption) {
    if (!authorChanged) return false;
    *caption = TrimSpace(editText);
    return true;
}

bool PlacePreview(int imageWidth, int imageHeight, int areaWidth, int areaHeight,
                  PreviewBox* box) {
    if (imageWidth <= 0 || imageHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) return false;
    saver::Size size;
    if (imageWidth < areaWidth && imageHeight < areaHeight)
        size = {imageWidth, imageHeight};
    else
        size = saver::FittedSize(saver::kFitAspect, imageWidth, imageHeight, areaWidth,
                                 areaHeight);
    if (size.width <= 0 || size.height <= 0) return false;
    box->width = size.width;
    box->height = size.height;
    box->x = (areaWidth - size.width) / 2;
    box->y = (areaHeight - size.height) / 2;
    return true;
}

std::vector<bool> InstrumentChecks(const std::string& instrumentString) {
    std::vector<bool> checks(kInstrumentFamilies, false);
    for (size_t i = 0; i < checks.size() && i < instrumentString.size(); ++i)
        checks[i] = instrumentString[i] == '1';
    return checks;
}

std::string InstrumentString(const std::vector<bool>& checks) {
    std::string s(kInstrumentFamilies, '0');
    for (size_t i = 0; i < s.size() && i < checks.size(); ++i)
        if (checks[i]) s[i] = '1';
    return s;
}

}  // namespace media
