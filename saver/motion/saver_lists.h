// The saver's working picture lists, made from the album's image entries:
// animated GIFs become sprites, everything else goes to the slideshow.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace saver {

// Extensions searched in a folder entry, in this order.
extern const char* const kImageExtensions[13];

struct ImageListSources {
    // Files of `folder` (which ends with a backslash) matching folder + "*." + ext,
    // full paths, in the order the file system returns them.
    std::function<std::vector<std::string>(const std::string& folder, const std::string& ext)>
        listFolder;
    // Frames 0 and 1 of the file both load.
    std::function<bool(const std::string& path)> isAnimatedGif;
};

// Classifies the album's image entries.  Entries beginning with a single
// backslash are relative to `albumDir` (two begin a network path); entries
// ending with one are folders.
void BuildImageLists(const std::vector<std::string>& imageList, const std::string& albumDir,
                     const ImageListSources& sources, std::vector<std::string>& slideshow,
                     std::vector<std::string>& sprites);

// Alphabetical wins over random; nothing is reordered without slideshow pictures.
void OrderImageLists(bool alphabetical, bool random, std::vector<std::string>& slideshow,
                     std::vector<std::string>& sprites);

// Puts the working lists in their running order, drawing from the C library
// generator in this order: the picture lists (OrderImageLists), then the sound
// list when `shuffleSounds`.
void OrderWorkingLists(bool alphabetical, bool random, bool shuffleSounds,
                       std::vector<std::string>& slideshow, std::vector<std::string>& sprites,
                       std::vector<std::string>& sounds);

}  // namespace saver
