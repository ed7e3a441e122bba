// What a created saver carries: the album's pictures and sounds found on disk
// (folder entries expanded, compact-disc tracks left out), the make-file lines
// in their order, and the new saver's own album, which names every file
// beside the saver.
#pragma once

#include <string>
#include <vector>

#include "builder/package/file_system.h"

struct SaverFileInput {
    std::string albumFile;           // relative album entries start from its folder
    std::vector<std::string> images; // album entries: path, optionally "|" and a caption
    std::vector<std::string> sounds;
    int backgroundStyle = 0;     // 0 tiled and 1 stretched carry a picture
    std::string backgroundImage; // as resolved by the settings (full path)
    std::string runtime;         // Plinthar.scr, installed as N.scr
    std::string uninstaller;     // Uninstall.exe
    std::string saverName;       // N, without ".scr"
    std::string version;
    std::string iniPath, albumPath;     // the new saver's working files
    std::vector<std::string> files;     // additional files
    std::vector<std::string> shortcuts; // parallel to files; "" means none
};

struct SaverFilePlan {
    std::vector<std::string> images;   // full paths, in album order
    std::vector<std::string> captions; // parallel to images
    std::vector<std::string> sounds;
    std::string backgroundName;           // installed name of the background picture, or ""
    std::vector<std::string> albumImages; // "\" + installed name, "|" + caption when there is one
    std::vector<std::string> albumSounds; // "\" + installed name
    std::vector<std::string> lines;       // make-file lines, clashing names already made distinct
};

// Extensions a folder entry adds, in this order (sounds: never CDA).
const std::vector<std::string>& SaverImageExtensions();
const std::vector<std::string>& SaverSoundExtensions();

// Fills `plan`; returns "" or the message that refuses the build.
std::string PlanSaverFiles(const SaverFileInput& in, FileSystem& fs, SaverFilePlan& plan);
