// One whole build of a created saver from files on disk: the album, the
// author's settings file and the kit folder in, D\N.exe out.  The command-line
// builder runs it directly; it is the same sequence as the Create page's
// (collect, make lines, album, settings, make record, package).
#pragma once

#include <string>

#include "builder/core/saver_build.h"
#include "builder/package/package_build.h"

struct SaverBuildRequest {
    std::string albumFile; // the author's album (".alb")
    std::string
        settingsFile;   // the author's settings (".ini"); "\" paths in it start from its folder
    std::string kitDir; // Plinthar.scr, setup.ex_ and Uninstall.exe
    SaverFields fields; // name without ".scr", already checked
    std::vector<std::string> files;     // additional files
    std::vector<std::string> shortcuts; // parallel to files
    bool replace = false;               // an existing D\N.exe may be replaced
    unsigned threads = 1;               // files compressed at once
};

// Results of RunSaverBuild.
constexpr int kSaverBuilt = 0;
constexpr int kSaverFailed = 1;  // a message says why; nothing of the setup program remains
constexpr int kSaverAborted = 2; // a missing file was not skipped, or an abort was requested

// Builds the saver.  Every failure is reported through cb.Error.  The working
// files (N.dat, N.ini, N.alb) are removed at the end whatever the result.
int RunSaverBuild(const SaverBuildRequest& req, FileSystem& fs, PackageCallbacks& cb);
