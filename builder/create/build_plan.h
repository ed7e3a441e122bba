// What one build puts into a setup program, worked out before anything is
// written: the album's files (folders expanded, compact-disc tracks left out),
// the new saver's album entries, and the make-file lines in their order.
#pragma once

#include <string>
#include <vector>

#include "builder/package/file_system.h"

struct BuildInput {
    std::string albumFile;            // the author's album: relative entries start from its folder
    std::vector<std::string> images;  // album entries: path, optionally "|" and a caption
    std::vector<std::string> sounds;
    int backgroundStyle = 0;          // 0 tile, 1 full screen, 2 desktop
    std::string backgroundImage;
    std::string runtime;     // the saver runtime, Plinthar.scr beside the running program
    std::string installDir;  // the kit's folder, holding Uninstall.exe
    std::string saverName;   // N, without ".scr"
    std::string version;
    std::string iniPath, albumPath;  // the new saver's working files in the output folder
    std::vector<std::string> files;      // additional files
    std::vector<std::string> shortcuts;  // parallel to files; "" means none
};

struct BuildPlan {
    std::vector<std::string> images;    // full paths, in album order
    std::vector<std::string> captions;  // parallel to images
    std::vector<std::string> sounds;
    std::string backgroundName;             // file name of the packaged background, or ""
    std::vector<std::string> albumImages;   // "\" + file name, "|" + caption when there is one
    std::vector<std::string> albumSounds;   // "\" + file name
    std::vector<std::string> lines;         // make-file lines
};

// Image extensions in the order a folder entry adds its files, and the sound
// extensions likewise (a folder never adds compact-disc tracks).
const std::vector<std::string>& ImageExtensions();
const std::vector<std::string>& SoundExtensions();

// Fills `plan`; returns "" or the message that refuses the build.
std::string PlanBuild(const BuildInput& in, FileSystem& fs, BuildPlan& plan);
