// XBitmap reader: X Window System bitmaps, which are C source text.
//
//   #define <name>_width <w>           (other #defines, such as hot spots, ignored)
//   #define <name>_height <h>
//   static [unsigned] char <name>_bits[] = { 0x.., 0x.., ... };   X11: 8 bits a value
//   static short <name>_bits[] = { 0x...., ... };                  X10: 16 bits a value
// Each row starts a new value; within a value the lowest bit is the leftmost
// pixel, and 1 is foreground (black).  C comments may appear between tokens.
// Delivered as 1 bit per pixel with the palette (white, black).
#include "imaging/formats/format_util.h"

#include <cstring>

namespace {

enum : int {
    kXbmErrIdentifier = 1300,
    kXbmErrEnd = 1301,
    kXbmErrType = 1302,
    kXbmErrOpenBracket = 1303,
    kXbmErrCloseBracket = 1304,
    kXbmErrEquals = 1305,
    kXbmErrOpenBrace = 1306,
    kXbmErrCloseBrace = 1307,
    kXbmErrComma = 1308,
    kXbmErrNumber = 1309,
    kXbmErrSemicolon = 1310,
};

constexpr int kMaxToken = 80;

struct Token {
    enum Kind { End, Word, Number, Punct } kind;
    char text[kMaxToken + 1];
    int64_t value; // Number
};

class Lexer {
  public:
    explicit Lexer(CodecFile* f) : src_(f) {}
    // The next token; a word or number longer than kMaxToken is cut (the rest
    // is read and dropped).  Numbers: decimal, or hexadecimal after 0x.
    Token Next() {
        Token t{};
        int c = SkipBlanks();
        if (c < 0) return t;
        if (IsWordStart(c) || c == '#') {
            t.kind = Token::Word;
            int n = 0;
            do {
                if (n < kMaxToken) t.text[n++] = char(c);
                c = Get();
            } while (c >= 0 && (IsWordStart(c) || (c >= '0' && c <= '9')));
            Unget(c);
            return t;
        }
        if (c >= '0' && c <= '9') {
            t.kind = Token::Number;
            int base = 10;
            if (c == '0') {
                int d = Get();
                if (d == 'x' || d == 'X') {
                    base = 16;
                    c = Get();
                } else {
                    Unget(d);
                }
            }
            int digits = 0;
            for (;; c = Get()) {
                int v = Digit(c);
                if (v < 0 || v >= base) break;
                if (t.value < (int64_t(1) << 40)) t.value = t.value * base + v;
                ++digits;
            }
            Unget(c);
            if (base == 16 && digits == 0) t.kind = Token::Punct;
            return t;
        }
        t.kind = Token::Punct;
        t.text[0] = char(c);
        return t;
    }
    int64_t Position() const { return src_.Position() - (pending_ >= 0 ? 1 : 0); }
    bool Sync() { return src_.Sync(); }

  private:
    static bool IsWordStart(int c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    }
    static int Digit(int c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }
    int Get() {
        if (pending_ >= 0) {
            int c = pending_;
            pending_ = -1;
            return c;
        }
        return src_.Byte();
    }
    void Unget(int c) { pending_ = c; }
    // Skips white space and /* comments */; returns the first other byte.
    int SkipBlanks() {
        for (;;) {
            int c = Get();
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') continue;
            if (c != '/') return c;
            int d = Get();
            if (d != '*') {
                Unget(d);
                return c;
            }
            for (int prev = 0;;) {
                int e = Get();
                if (e < 0) return -1;
                if (prev == '*' && e == '/') break;
                prev = e;
            }
        }
    }
    CodecByteSource src_;
    int pending_ = -1;
};

bool Is(const Token& t, const char* text) {
    return t.kind != Token::End && t.kind != Token::Number && std::strcmp(t.text, text) == 0;
}

bool EndsWith(const char* s, const char* tail) {
    size_t n = std::strlen(s), m = std::strlen(tail);
    return n >= m && std::strcmp(s + n - m, tail) == 0;
}

struct XbmState {
    int64_t dataOffset; // just after the "{"
    int32_t valueBits;  // 8 (char) or 16 (short)
};

// Expects punctuation p: 0, or code (1301 at the end of the file).
int Expect(Lexer& lex, const char* p, int code) {
    Token t = lex.Next();
    if (t.kind == Token::End) return kXbmErrEnd;
    return Is(t, p) ? kCodecOk : code;
}

int ReadHeader(const char*, CodecFile* f, CodecHeader* h, const char*) {
    XbmState* s = CodecPrivate<XbmState>(h);
    Lexer lex(f);
    int64_t width = -1, height = -1;
    Token t = lex.Next();
    while (Is(t, "#define")) {
        Token name = lex.Next(), value = lex.Next();
        if (name.kind == Token::End || value.kind == Token::End) return kXbmErrEnd;
        if (name.kind != Token::Word) return kXbmErrIdentifier;
        if (value.kind != Token::Number) return kXbmErrNumber;
        if (EndsWith(name.text, "_width")) width = value.value;
        if (EndsWith(name.text, "_height")) height = value.value;
        t = lex.Next();
    }
    if (Is(t, "static")) t = lex.Next();
    if (Is(t, "unsigned")) t = lex.Next();
    if (t.kind == Token::End) return kXbmErrEnd;
    if (t.kind != Token::Word) return kXbmErrIdentifier;
    if (Is(t, "char")) {
        s->valueBits = 8;
    } else if (Is(t, "short")) {
        s->valueBits = 16;
    } else {
        return kXbmErrType;
    }
    t = lex.Next();
    if (t.kind == Token::End) return kXbmErrEnd;
    if (t.kind != Token::Word) return kXbmErrIdentifier;
    if (int rc = Expect(lex, "[", kXbmErrOpenBracket)) return rc;
    t = lex.Next();
    if (t.kind == Token::Number) t = lex.Next(); // a stated length is not needed
    if (t.kind == Token::End) return kXbmErrEnd;
    if (!Is(t, "]")) return kXbmErrCloseBracket;
    if (int rc = Expect(lex, "=", kXbmErrEquals)) return rc;
    if (int rc = Expect(lex, "{", kXbmErrOpenBrace)) return rc;
    if (width <= 0 || height <= 0 || !FormatSizeFits(width, height, 1)) return kCodecErrBadSize;
    // Every value takes at least two characters ("0,"), so the text must be
    // long enough to hold the rows it claims.
    const int64_t length = FormatFileLength(f);
    const int64_t values = height * ((width + s->valueBits - 1) / s->valueBits);
    s->dataOffset = lex.Position();
    if (length < 0 || (length - s->dataOffset) / 2 < values - 1) return kXbmErrEnd;
    h->width = int32_t(width);
    h->height = int32_t(height);
    h->bpp = 1;
    return kCodecOk;
}

int ReadPalette(CodecFile*, CodecHeader*, uint8_t* palette) {
    std::memset(palette, 255, 3);
    std::memset(palette + 3, 0, 3);
    return kCodecOk;
}

uint8_t Reverse(uint8_t b) {
    b = uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

int ReadData(CodecFile* f, CodecHeader* h, uint8_t* pixels) {
    const XbmState* s = CodecPrivate<XbmState>(h);
    if (CodecSeek(f, s->dataOffset, kCodecSeekSet) != s->dataOffset) return kCodecErrRead;
    Lexer lex(f);
    const int32_t stride = CodecStride(h->width, 1);
    const int32_t perRow = (h->width + s->valueBits - 1) / s->valueBits;
    const int32_t rowBytes = (h->width + 7) / 8;
    std::memset(pixels, 0, size_t(stride) * size_t(h->height));
    Token t = lex.Next();
    for (int32_t y = 0; y < h->height; ++y) {
        uint8_t* row = FormatRow(pixels, h, h->height - 1 - y);
        for (int32_t i = 0; i < perRow; ++i) {
            if (t.kind == Token::End) return kXbmErrEnd;
            if (Is(t, "}")) return kXbmErrNumber; // fewer values than the size needs
            if (t.kind != Token::Number) return kXbmErrNumber;
            const int32_t at = i * (s->valueBits / 8);
            row[at] = Reverse(uint8_t(t.value));
            if (s->valueBits == 16 && at + 1 < rowBytes)
                row[at + 1] = Reverse(uint8_t(t.value >> 8));
            t = lex.Next();
            const bool last = y == h->height - 1 && i == perRow - 1;
            if (Is(t, ",")) {
                t = lex.Next();
            } else if (!last) {
                return t.kind == Token::End ? kXbmErrEnd : kXbmErrComma;
            }
        }
        // Bits beyond the width are not pixels.
        if (h->width & 7) row[rowBytes - 1] &= uint8_t(0xFF << (8 - (h->width & 7)));
    }
    if (t.kind == Token::End) return kXbmErrEnd;
    if (!Is(t, "}")) return kXbmErrCloseBrace;
    if (int rc = Expect(lex, ";", kXbmErrSemicolon)) return rc;
    return lex.Sync() ? kCodecOk : kCodecErrRead;
}

const char* ErrorText(int code) {
    static const char* const kTexts[] = {
        "expected identifier",
        "unexpected end of file",
        "expected char or short",
        "expected[",
        "expected ]",
        "expected =",
        "expected {",
        "expected }",
        "expected ,",
        "expected number",
        "expected ;",
    };
    if (code < kXbmErrIdentifier || code > kXbmErrSemicolon) return nullptr;
    return kTexts[code - kXbmErrIdentifier];
}

} // namespace

const CodecReader kXBitmapReader = {ReadHeader, ReadPalette, ReadData, ErrorText};
