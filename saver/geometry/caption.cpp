#include "saver/geometry/caption.h"

#include <climits>

#include "common/paths.h"

namespace saver {
namespace {

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string Trim(const std::string& s) {
    size_t end = s.size();
    while (end > 0 && IsWhiteSpace(s[end - 1]))
        --end;
    size_t begin = 0;
    while (begin < end && IsWhiteSpace(s[begin]))
        ++begin;
    return s.substr(begin, end - begin);
}

// charCount * aveCharWidth, kept inside int for absurdly long captions.
int BoxWidth(size_t charCount, int aveCharWidth) {
    const long long w =
        (long long)(charCount > size_t(INT_MAX) ? INT_MAX : charCount) * (long long)aveCharWidth;
    if (w > INT_MAX / 2) return INT_MAX / 2;
    if (w < INT_MIN / 2) return INT_MIN / 2;
    return int(w);
}

} // namespace

ImageEntry SplitImageEntry(const std::string& entry) {
    const size_t bar = entry.find('|');
    if (bar == std::string::npos) return {entry, std::string()};
    return {entry.substr(0, bar), entry.substr(bar + 1)};
}

std::string CaptionText(bool useFileName, const std::string& fileName,
                        const std::string& entryCaption) {
    if (!useFileName) return Trim(entryCaption);
    // StripExtension on the bare name: cut before its last period, empty for ".name".
    return Trim(StripExtension(FileNamePart(fileName)));
}

TextBox PlaceCaption(int position, size_t charCount, int aveCharWidth, int textHeight, int slideW,
                     int slideH) {
    TextBox t;
    if (position < kCaptionTop || position > kCaptionBottom || charCount == 0) return t;
    const int width = BoxWidth(charCount, aveCharWidth);
    int y;
    if (position == kCaptionTop)
        y = textHeight / 2;
    else if (position == kCaptionCenter)
        y = (slideH - textHeight) / 2;
    else
        y = int(double(slideH) - double(textHeight) * 1.5);
    const int x = int(((long long)slideW - width) / 2);
    t.draw = true;
    t.box = {x, y, x + width, y + textHeight};
    return t;
}

Rect StatusTextBox(const Rect& window, size_t charCount, int aveCharWidth, int textHeight) {
    const int width = BoxWidth(charCount, aveCharWidth);
    const int left = window.left + int(((long long)window.Width() - width) / 2);
    return {left, window.bottom - textHeight, left + width, window.bottom};
}

} // namespace saver
