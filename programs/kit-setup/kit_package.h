// The kit's own setup program, PlintharSetup.exe: the Setup stub followed by a
// package whose saver name is the product's own name, so that Setup runs in
// its kit mode (read-me page, its own stub kept as "setup.ex_", the kit's
// registry key).  The package carries the authoring program, the runtime, the
// default settings, the uninstaller, the command-line builder, a read-me and a
// demo album with the files it names.
//
// Entries, in order (INSTALLDIR unless said otherwise):
//   Plinthar.exe        the authoring sheet, with the kit's identity record
//                       appended (no created-saver flag); Start-menu link
//   Plinthar.scr        the runtime that every built saver carries
//   Plinthar.scr        WINDOWSDIR: the kit as a screensaver showing the demo
//                       album, so that the wizard's "Make Plinthar the active
//                       screensaver" and "Launch the configuration dialog"
//                       find the file they name
//   Plinthar.ini        the default settings
//   Uninstall.exe       Start-menu link "Uninstall Plinthar"
//   plinthar-build.exe  when the kit folder has it
//   ReadMe.txt          the read-me; Start-menu link "Read Me"
//   Plinthar.alb        the demo album, then every file it names
#pragma once

#include <string>
#include <vector>

#include "builder/package/file_system.h"
#include "builder/package/make_file.h"
#include "builder/package/package_build.h"

constexpr const char* kKitSetupName = "PlintharSetup.exe";

struct KitPackageInput {
    std::string kitDir;    // Plinthar.exe, Plinthar.scr, Plinthar.ini, setup.ex_, Uninstall.exe
    std::string albumDir;  // Plinthar.alb and the files its entries name
    std::string readme;    // the read-me text, installed as ReadMe.txt
    std::string outputDir; // receives PlintharSetup.exe
    std::string author;    // the kit's author, recorded in the identity record
    int year = 0;
};

// The make record of the kit's package.  Returns "" or the message that
// refuses it: a kit file missing, an album that cannot be read, an album entry
// that is not a plain file beside the album (absolute, a folder, a caption-only
// entry) or that is missing, a name that two installed files would share, or a
// path that a make-file line cannot hold (a comma, or too long).
std::string PlanKitPackage(const KitPackageInput& in, FileSystem& fs, MakeRecord& out);

// Plans the package, copies setup.ex_ to PlintharSetup.exe in the output
// folder and appends the package.  Returns kPackageDone, kPackageFailed or
// kPackageAborted; every failure is reported through cb.Error and leaves no
// PlintharSetup.exe behind.
int BuildKitPackage(const KitPackageInput& in, FileSystem& fs, PackageCallbacks& cb);
