// Text and placement of a slide's caption, and of the saver's status line.  The
// Win32 layer measures the font (average character width and text height from
// the text metrics) and draws the text transparently at the computed point; the
// box is not measured with the real glyph widths.
#pragma once

#include <string>

#include "saver/geometry/effects.h"

namespace saver {

// An image entry of the album: the file name, optionally followed by "|" and a caption.
struct ImageEntry {
    std::string fileName;
    std::string caption;
};
ImageEntry SplitImageEntry(const std::string& entry);

// The caption drawn on a picture: with `useFileName` the file name after its last
// backslash and before its last period, otherwise the entry's caption; then white
// space trimmed from the end and the start.  Empty means no caption.
std::string CaptionText(bool useFileName, const std::string& fileName,
                        const std::string& entryCaption);

// Caption positions (the Caption "Position" setting); any other value draws nothing.
enum CaptionPosition : int {
    kCaptionTop = 0,
    kCaptionCenter = 1,
    kCaptionBottom = 2,
    kCaptionDisabled = 3,
};

struct TextBox {
    bool draw = false;
    Rect box; // the text is drawn with its top-left corner at (box.left, box.top)
};

// The caption box on a slide of slideW x slideH: `charCount` characters of the
// font's average width, one text height high, centred horizontally (left may be
// negative: a caption wider than the picture is cut off on both sides); top at
// half a text height, centred, or one and a half text heights above the bottom.
TextBox PlaceCaption(int position, size_t charCount, int aveCharWidth, int textHeight, int slideW,
                     int slideH);

// The status line ("Loading..."): the same unmeasured box, centred horizontally
// in the window with its bottom on the window's bottom edge.
Rect StatusTextBox(const Rect& window, size_t charCount, int aveCharWidth, int textHeight);

} // namespace saver
