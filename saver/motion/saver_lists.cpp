#include "saver/motion/saver_lists.h"

#include "common/crt_random.h"
#include "common/paths.h"

namespace saver {

// PNG comes after the older formats, so that a folder lists them as it always did.
const char* const kImageExtensions[13] = {"JPG", "JPE", "JPEG", "GIF", "TIF", "TIFF", "BMP",
                                          "RLE", "DIB", "TGA",  "PCX", "PCC",  "PNG"};

static bool EndsWithGif(const std::string& entry) {
    return entry.size() >= 4 && EqualsNoCase(entry.substr(entry.size() - 4), ".GIF");
}

static void Classify(const std::string& file, const ImageListSources& sources,
                     std::vector<std::string>& slideshow, std::vector<std::string>& sprites) {
    if (EndsWithGif(file) && sources.isAnimatedGif && sources.isAnimatedGif(file))
        sprites.push_back(file);
    else
        slideshow.push_back(file);
}

void BuildImageLists(const std::vector<std::string>& imageList, const std::string& albumDir,
                     const ImageListSources& sources, std::vector<std::string>& slideshow,
                     std::vector<std::string>& sprites) {
    slideshow.clear();
    sprites.clear();
    for (std::string entry : imageList) {
        if (IsFolderRelative(entry)) entry = JoinPath(albumDir, entry);
        if (entry.empty() || entry.back() != '\\') {
            Classify(entry, sources, slideshow, sprites);
            continue;
        }
        if (!sources.listFolder) continue;
        for (const char* ext : kImageExtensions)
            for (const std::string& file : sources.listFolder(entry, ext))
                Classify(file, sources, slideshow, sprites);
    }
}

void OrderImageLists(bool alphabetical, bool random, std::vector<std::string>& slideshow,
                     std::vector<std::string>& sprites) {
    if (slideshow.empty()) return;
    if (alphabetical) {
        SortList(slideshow);
        SortList(sprites);
    } else if (random) {
        ShuffleList(slideshow);
        ShuffleList(sprites);
    }
}

void OrderWorkingLists(bool alphabetical, bool random, bool shuffleSounds,
                       std::vector<std::string>& slideshow, std::vector<std::string>& sprites,
                       std::vector<std::string>& sounds) {
    OrderImageLists(alphabetical, random, slideshow, sprites);
    if (shuffleSounds) ShuffleList(sounds);
}

}  // namespace saver
