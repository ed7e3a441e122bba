// The sheet's rules that need no window: album naming, the rewrite of relative
// album entries when an album moves, the caption and the extra buttons' row.
#pragma once

#include <string>
#include <vector>

// The name an album is saved under: ".alb" is appended unless the last four
// characters already read ".ALB" in any case ("party" -> "party.alb",
// "party.ALB" unchanged, "x.al" -> "x.al.alb").
std::string AlbumSaveName(const std::string& path);

// An album saved into another folder keeps pointing at the same files: every
// entry that begins with a backslash (relative to the old album's folder) is
// rewritten as oldDir + entry.  Nothing happens when the folders are the same
// (compared without regard to case).  Returns true when an entry changed.
bool RebaseRelativeEntries(std::vector<std::string>& entries, const std::string& oldDir,
                           const std::string& newDir);

// title + " Setup", and outside a created saver + " - " + the album's file name.
std::string SheetCaption(const std::string& title, bool createdSaver, const std::string& albumFile);

struct SheetRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Rectangle of extra button slot `slot` (0-based) in the sheet's button row:
// as high as OK, OK's width plus a fifth, the first slot's left edge mirroring
// the sheet's right margin (client width - Help's right edge), each further
// slot one button width plus the OK-Cancel gap to the right.
SheetRect ExtraButtonSlot(int clientWidth, const SheetRect& ok, const SheetRect& cancel,
                          const SheetRect& help, int slot);
