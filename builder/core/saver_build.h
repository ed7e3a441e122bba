// Build steps of a created saver that need no window, shared by the Create
// page and the command-line builder: distinct installed names for the
// packaged files, the new saver's settings file, and the make record.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "builder/package/make_file.h"

// Pictures and sounds from different folders may share a file name, but Setup
// installs every entry by its target name into one folder: a second "a.jpg"
// would replace the first.  InstallNames gives each source file a name of its
// own within its destination folder (names compared without regard to case,
// as Windows does) and remembers it for the saver's album and settings.
class InstallNames {
  public:
    // Rewrites, in order, every line whose target is already taken in its
    // folder by another source: the later file becomes "name_2.ext" (or _3...).
    // A source listed again for the same folder is dropped: it is packaged once.
    // Lines that cannot be parsed are left for the package writer to refuse.
    void Assign(std::vector<std::string>& lines);
    // The name a source installs under; its bare file name when not assigned.
    std::string NameOf(const std::string& source) const;

  private:
    std::map<std::string, std::string> bySource_; // lower-cased source -> name
};

// The new saver's settings, edited from the author's: the "Distribution"
// section goes, "LastImageDir", "LastSoundDir", "LastAlbumDir" and
// "AlbumFile" of "Options" go, "IsFirstUse" becomes 1, and when a background
// picture is packaged "Image" of "Background" becomes "\" + its name (relative
// to the saver's folder).  Sections and keys compare without regard to case;
// other lines are kept as they are; lines end with CR LF.
std::string EditSaverSettings(const std::string& iniText, const std::string& backgroundName);

struct SaverFields {
    std::string directory; // output folder D
    std::string name;      // N, without ".scr"
    std::string version;
    std::string publisher; // becomes both Author and Company
    int year = 0;
    bool createGroup = true;
};

// The make record of a build: N.exe in D, the created-saver flag always set.
MakeRecord MakeSaverRecord(const SaverFields& f, const std::vector<std::string>& lines);
