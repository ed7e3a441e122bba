#include "authoring/sheet_rules.h"

#include "common/paths.h"

std::string AlbumSaveName(const std::string& path) {
    std::string tail = path.size() >= 4 ? path.substr(path.size() - 4) : path;
    tail.insert(0, 4 - tail.size(), ' ');
    if (EqualsNoCase(tail, ".alb")) return path;
    return path + ".alb";
}

bool RebaseRelativeEntries(std::vector<std::string>& entries, const std::string& oldDir,
                           const std::string& newDir) {
    if (EqualsNoCase(oldDir, newDir)) return false;
    bool changed = false;
    for (std::string& e : entries) {
        if (!e.empty() && e[0] == '\\') {
            e = oldDir + e;
            changed = true;
        }
    }
    return changed;
}

std::string SheetCaption(const std::string& title, bool createdSaver, const std::string& albumFile) {
    std::string caption = title + " Setup";
    if (!createdSaver) caption += " - " + FileNamePart(albumFile);
    return caption;
}

SheetRect ExtraButtonSlot(int clientWidth, const SheetRect& ok, const SheetRect& cancel,
                          const SheetRect& help, int slot) {
    int okWidth = ok.right - ok.left;
    int width = okWidth + okWidth / 5;
    int gap = cancel.left - ok.right;
    SheetRect r;
    r.left = clientWidth - help.right + slot * (width + gap);
    r.right = r.left + width;
    r.top = ok.top;
    r.bottom = ok.bottom;
    return r;
}
