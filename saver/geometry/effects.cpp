#include "saver/geometry/effects.h"

#include <algorithm>
#include <climits>
#include <numeric>

#include "common/crt_random.h"

namespace saver {
namespace {

// Scales of the speed setting (1..100) onto increments; 32-bit floats on purpose.
constexpr float kSpeedScale = 0.01010101f;
constexpr float kInterlaceScale = 0.060606062f;
// The elliptic hole of effect 27 is the ellipse inscribed in its box enlarged by
// a quarter of the box's size on every side, so the hole starts beyond the corners.
constexpr float kHoleMargin = 0.25f;

// Float to int by truncation toward zero, saturating instead of overflowing for
// absurd speed settings.
int TruncToInt(float v) {
    if (!(v > -2147483520.0f)) return v != v ? 0 : INT_MIN;
    if (v >= 2147483520.0f) return INT_MAX;
    return int(v);
}

// An integer product as a float, through a 32-bit int so that the x86 build
// converts with one SSE2 instruction (the products of real settings fit easily).
float ProductToFloat(long long v) {
    if (v > INT_MAX) v = INT_MAX;
    if (v < -INT_MAX) v = -INT_MAX;
    return float(int(v));
}

// trunc(x * r) with r the slide's H / W.
int T(int x, float r) {
    return int(float(x) * r);
}

// One progress step: value + inc, at least 2, at most end.  The end is applied
// last so that a slide narrower than 2 pixels never gets a piece wider than itself.
int Advance(int value, int inc, int end) {
    long long v = (long long)value + inc;
    if (v < 2) v = 2;
    if (v > end) v = end;
    return int(v);
}

void AddPiece(StepOutput& out, const Rect& dest, const Rect& src) {
    if (!dest.Empty()) out.pieces.push_back({dest, src});
}

void AddInPlace(StepOutput& out, const Rect& r) {
    AddPiece(out, r, r);
}

// Effects whose progress runs vertically (their restart block completes P instead of Q).
bool AdvancesVertically(int effect) {
    switch (effect) {
    case 2:
    case 3:
    case 9:
    case 12:
    case 16:
    case 17:
    case 23:
    case 26:
        return true;
    default:
        return false;
    }
}

// Along one axis, the part of [0, size) that the erase leaves showing when the
// show would cover [lo, hi): the picture goes on moving (or rolling) the same way.
void Complement(int lo, int hi, int size, int& outLo, int& outHi) {
    if (lo == 0 && hi == size) {
        outLo = 0;
        outHi = size;
    } else if (lo == 0) {
        outLo = hi;
        outHi = size;
    } else {
        outLo = 0;
        outHi = size - (hi - lo);
    }
}

void CommonRestart(EffectState& s, int W, int H) {
    s.P = 0;
    s.Q = 0;
    s.PX = W;
    s.QX = H;
    s.dP = ProgressIncrement(s.speed, W);
    s.dQ = ProgressIncrement(s.speed, H);
    if (AdvancesVertically(s.effect))
        s.P = W;
    else
        s.Q = H;
}

// Effects 0..7 move the picture in from a side or corner; 14..21 roll it open in place.
void OnePiece(const EffectState& s, int W, int H, StepOutput& out) {
    const int P = s.P, Q = s.Q;
    const float r = s.aspectHW;
    Rect d;
    switch (s.effect % 14) {
    case 0:
        d = {0, 0, P, H};
        break;
    case 1:
        d = {W - P, 0, W, H};
        break;
    case 2:
        d = {0, 0, W, Q};
        break;
    case 3:
        d = {0, H - Q, W, H};
        break;
    case 4:
        d = {0, 0, P, T(P, r)};
        break;
    case 5:
        d = {W - P, T(W - P, r), W, H};
        break;
    case 6:
        d = {W - P, 0, W, T(P, r)};
        break;
    default:
        d = {0, int(float(H) - float(P) * r), P, H};
        break;
    }
    if (s.eraseMode) {
        Complement(d.left, d.right, W, d.left, d.right);
        Complement(d.top, d.bottom, H, d.top, d.bottom);
    }
    Rect src = d;
    if (s.effect < 14) {
        // The part shown is the far side of the picture, so it seems to slide in (or on out).
        src.left = d.left != 0 ? 0 : W - d.right;
        src.top = d.top != 0 ? 0 : H - d.bottom;
        src.right = src.left + d.Width();
        src.bottom = src.top + d.Height();
    }
    AddPiece(out, d, src);
}

// Splits, merges and their radial forms: two halves or four quadrants, each a 1:1 copy.
void SeveralPieces(const EffectState& s, int W, int H, StepOutput& out) {
    const int h = s.P / 2, v = s.Q / 2, cx = W / 2, cy = H / 2;
    const int Y = T(h, s.aspectHW);
    const bool e = s.eraseMode;
    switch (s.effect) {
    case 8:
        if (!e) {
            AddPiece(out, {cx, 0, cx + h, H}, {W - h, 0, W, H});
            AddPiece(out, {cx - h, 0, cx, H}, {0, 0, h, H});
        } else {
            AddPiece(out, {cx + h, 0, W, H}, {cx, 0, W - h, H});
            AddPiece(out, {0, 0, W - cx - h, H}, {2 * cx - W + h, 0, cx, H});
        }
        break;
    case 9:
        if (!e) {
            AddPiece(out, {0, cy, W, cy + v}, {0, H - v, W, H});
            AddPiece(out, {0, cy - v, W, cy}, {0, 0, W, v});
        } else {
            AddPiece(out, {0, cy + v, W, H}, {0, cy, W, H - v});
            AddPiece(out, {0, 0, W, H - cy - v}, {0, 2 * cy - H + v, W, cy});
        }
        break;
    case 10:
        if (!e) {
            AddPiece(out, {cx - h, cy - Y, cx, cy}, {0, 0, h, Y});
            AddPiece(out, {cx, cy - Y, cx + h, cy}, {W - h, 0, W, Y});
            AddPiece(out, {cx, cy, cx + h, cy + Y}, {W - h, H - Y, W, H});
            AddPiece(out, {cx - h, cy, cx, cy + Y}, {0, H - Y, h, H});
        } else {
            AddPiece(out, {h, Y, cx, cy}, {0, 0, cx - h, cy - Y});
            AddPiece(out, {cx, Y, W - h, cy}, {cx + h, 0, W, cy - Y});
            AddPiece(out, {cx, cy, W - h, H - Y}, {cx + h, cy + Y, W, H});
            AddPiece(out, {h, cy, cx, H - Y}, {0, cy + Y, cx - h, H});
        }
        break;
    case 11:
        if (!e) {
            AddPiece(out, {W - h, 0, W, H}, {cx, 0, cx + h, H});
            AddPiece(out, {0, 0, h, H}, {cx - h, 0, cx, H});
        } else {
            AddPiece(out, {cx, 0, W - h, H}, {cx + h, 0, W, H});
            AddPiece(out, {2 * cx - W + h, 0, cx, H}, {0, 0, W - h - cx, H});
        }
        break;
    case 12:
        if (!e) {
            AddPiece(out, {0, H - v, W, H}, {0, cy, W, cy + v});
            AddPiece(out, {0, 0, W, v}, {0, cy - v, W, cy});
        } else {
            AddPiece(out, {0, cy, W, H - v}, {0, cy + v, W, H});
            AddPiece(out, {0, 2 * cy - H + v, W, cy}, {0, 0, W, H - v - cy});
        }
        break;
    default: // 13
        if (!e) {
            AddPiece(out, {0, 0, h, Y}, {cx - h, cy - Y, cx, cy});
            AddPiece(out, {W - h, 0, W, Y}, {cx, cy - Y, cx + h, cy});
            AddPiece(out, {W - h, H - Y, W, H}, {cx, cy, cx + h, cy + Y});
            AddPiece(out, {0, H - Y, h, H}, {cx - h, cy, cx, cy + Y});
        } else {
            AddPiece(out, {0, 0, cx - h, cy - Y}, {h, Y, cx, cy});
            AddPiece(out, {cx + h, 0, W, cy - Y}, {cx, Y, W - h, cy});
            AddPiece(out, {cx + h, cy + Y, W, H}, {cx, cy, W - h, H - Y});
            AddPiece(out, {0, cy + Y, cx - h, H}, {h, cy, cx, H - Y});
        }
        break;
    }
}

// Reveals and rolling merges: the picture is uncovered where it stands.
void InPlace(const EffectState& s, int W, int H, StepOutput& out) {
    const int P = s.P, Q = s.Q, h = P / 2, v = Q / 2, cx = W / 2, cy = H / 2;
    const float r = s.aspectHW;
    const bool e = s.eraseMode;
    switch (s.effect) {
    case 22:
        AddInPlace(out, e ? Rect{h, 0, W - h, H} : Rect{cx - h, 0, cx - h + P, H});
        break;
    case 23:
        AddInPlace(out, e ? Rect{0, v, W, H - v} : Rect{0, cy - v, W, cy - v + Q});
        break;
    case 24:
        if (!e) {
            const int L = (W - P) / 2, U = T(L, r);
            AddInPlace(out, {L, U, L + P, int(float(P) * r + float(U))});
        } else {
            const int U = T(h, r);
            AddInPlace(out, {h, U, W - h, int(float(W - 2 * h) * r + float(U))});
        }
        break;
    case 25:
        AddInPlace(out, e ? Rect{cx + h, 0, W, H} : Rect{W - h, 0, W, H});
        AddInPlace(out, e ? Rect{0, 0, cx - h, H} : Rect{0, 0, h, H});
        break;
    case 26:
        AddInPlace(out, e ? Rect{0, cy + v, W, H} : Rect{0, H - v, W, H});
        AddInPlace(out, e ? Rect{0, 0, W, cy - v} : Rect{0, 0, W, v});
        break;
    default: { // 27: the whole picture less an elliptic hole
        Rect box;
        if (!e) {
            const int U = T(h, r);
            box = {h, U, W - h, int(float(W - 2 * h) * r + float(U))};
        } else {
            const int L = (W - P) / 2, U = T(L, r);
            box = {L, U, L + P, int(float(P) * r + float(U))};
        }
        const int mx = int(float(box.Width()) * kHoleMargin);
        const int my = int(float(box.Height()) * kHoleMargin);
        box = {box.left - mx, box.top - my, box.right + mx, box.bottom + my};
        AddInPlace(out, {0, 0, W, H});
        if (!box.Empty()) {
            out.hasHole = true;
            out.holeBox = box;
        }
        break;
    }
    }
}

void StepCommonEffect(EffectState& s, int W, int H, StepOutput& out) {
    if (s.restart) CommonRestart(s, W, H);
    s.P = Advance(s.P, s.dP, W);
    s.Q = Advance(s.Q, s.dQ, H);
    if (s.eraseMode && s.P >= W && s.Q >= H) return; // the erase has cleared the slide
    out.draw = true;
    if (s.effect <= 7 || (s.effect >= 14 && s.effect <= 21))
        OnePiece(s, W, H, out);
    else if (s.effect <= 13)
        SeveralPieces(s, W, H, out);
    else
        InPlace(s, W, H, out);
}

// 28 opens vertical strips centred every 16 columns, 29 horizontal ones; the
// columns (rows) past the last whole strip appear with the final full draw.
void StepInterlace(EffectState& s, int W, int H, StepOutput& out) {
    const bool vertical = s.effect == 28;
    if (s.restart) {
        s.P = s.Q = 0;
        s.dP = s.dQ = InterlaceIncrement(s.speed);
        if (vertical) {
            s.PX = kInterlaceEnd;
            s.Q = s.QX = H;
        } else {
            s.QX = kInterlaceEnd;
            s.P = s.PX = W;
        }
    }
    int& value = vertical ? s.P : s.Q;
    value = Advance(value, vertical ? s.dP : s.dQ, kInterlaceEnd);
    if (s.eraseMode && value >= kInterlaceEnd) return;
    out.draw = true;
    const int half = s.eraseMode ? kInterlaceEnd / 2 - value / 2 : value / 2;
    const int size = vertical ? W : H;
    for (int c = kInterlaceEnd / 2; c <= size - kInterlaceEnd / 2; c += kInterlaceEnd) {
        AddInPlace(out, vertical ? Rect{c - half, 0, c + half, H} : Rect{0, c - half, W, c + half});
    }
}

// The whole picture stretched into a rectangle growing from the centre (or shrinking to it).
void StepZoom(EffectState& s, int W, int H, StepOutput& out) {
    if (s.restart) {
        s.P = 0;
        s.Q = s.QX = H;
        s.PX = W;
        s.dP = ProgressIncrement(s.speed, W);
        s.dQ = 0;
        s.stretch = true;
    }
    s.P = Advance(s.P, s.dP, W);
    if (s.eraseMode && s.P >= W) return;
    out.draw = true;
    const int cx = W / 2, cy = H / 2, half = s.P / 2, vert = T(half, s.aspectHW);
    const int gx = s.eraseMode ? cx - half : half;
    const int gy = s.eraseMode ? cy - vert : vert;
    AddPiece(out, {cx - gx, cy - gy, cx + gx, cy + gy}, {0, 0, W, H});
}

// A card turning about the vertical (31) or horizontal (32) centre line.
void StepRotation(EffectState& s, int W, int H, StepOutput& out) {
    const bool vertical = s.effect == 31;
    if (s.restart) {
        s.P = s.Q = 0;
        s.PX = W;
        s.QX = H;
        s.dP = ProgressIncrement(s.speed, W);
        s.dQ = ProgressIncrement(s.speed, H);
        s.stretch = true;
        if (vertical)
            s.Q = H;
        else
            s.P = W;
    }
    const Rect whole{0, 0, W, H};
    if (vertical) {
        s.P = Advance(s.P, s.dP, W);
        if (s.eraseMode && s.P >= W) return;
        const int cx = W / 2, g = s.eraseMode ? cx - s.P / 2 : s.P / 2;
        out.draw = true;
        AddPiece(out, {cx - g, 0, cx + g, H}, whole);
    } else {
        s.Q = Advance(s.Q, s.dQ, H);
        if (s.eraseMode && s.Q >= H) return;
        const int cy = H / 2, g = s.eraseMode ? cy - s.Q / 2 : s.Q / 2;
        out.draw = true;
        AddPiece(out, {0, cy - g, W, cy + g}, whole);
    }
}

// 22 x 22 cells appear (or vanish) in the shuffled order of the shared table.
void StepRain(EffectState& s, int W, int H, RainTable& rain, StepOutput& out) {
    const int cols = RainColumns(W);
    const long long cells = (long long)cols * RainRows(H);
    const int N = cells > INT_MAX ? INT_MAX : int(cells);
    if (s.restart) {
        rain.Shuffle(N);
        s.P = 0;
        s.PX = N;
        s.Q = s.QX = 0;
        s.dP = RainIncrement(N, s.speed);
        s.dQ = 0;
    }
    s.P = int(std::min<long long>((long long)s.P + s.dP, N));
    const std::vector<int32_t>& table = rain.cells();
    const size_t n = std::min<size_t>(size_t(s.eraseMode ? N - s.P : s.P), table.size());
    if (n == 0) return;
    out.draw = true;
    for (size_t i = 0; i < n; ++i) {
        const int c = table[i];
        const int x = kRainCell * (c % cols), y = kRainCell * (c / cols);
        // The last column and row of cells overhang the slide; copy only what lies on it.
        AddInPlace(out, {x, y, std::min(x + kRainCell, W), std::min(y + kRainCell, H)});
    }
}

} // namespace

void RainTable::Shuffle(int n) {
    if (n < 0) n = 0;
    cells_.resize(size_t(n));
    std::iota(cells_.begin(), cells_.end(), 0);
    for (int i = 0; i < n; ++i) {
        const int j = RandomIndex(CrtRand(), n);
        std::swap(cells_[size_t(i)], cells_[size_t(j)]);
    }
}

int ProgressIncrement(int speed, int size) {
    const long long steps = (long long)speed * (size / 3 - 2);
    return std::max(2, TruncToInt(2.0f + ProductToFloat(steps) * kSpeedScale));
}

int InterlaceIncrement(int speed) {
    return std::max(2, TruncToInt(2.0f + float(speed) * kInterlaceScale));
}

int RainColumns(int W) {
    return W / kRainCell + 1;
}
int RainRows(int H) {
    return H / kRainCell + 1;
}

int RainIncrement(int cellCount, int speed) {
    const int few = cellCount / 50, many = cellCount / 5;
    const long long range = (long long)(many - few) * speed;
    return std::max(1, TruncToInt(float(few) + ProductToFloat(range) * kSpeedScale));
}

void Restart(EffectState& state) {
    state.stretch = false;
    state.restart = true;
    state.done = false;
}

bool StepSlide(EffectState& s, int W, int H, RainTable& rain, StepOutput& out) {
    out.draw = false;
    out.stretch = false;
    out.pieces.clear();
    out.hasHole = false;
    out.holeBox = Rect{};

    if (s.done) {
        // A completed show is held as the whole picture; a completed erase leaves nothing.
        if (!s.eraseMode) {
            out.draw = true;
            AddInPlace(out, {0, 0, W, H});
        }
        return true;
    }
    if (W <= 0 || H <= 0) {
        // A slide without pixels has nothing to show: its effect completes at once.
        s.restart = false;
        s.done = true;
        return false;
    }
    if (s.restart) {
        s.stretch = false;
        s.aspectHW = float(H) / float(W);
        s.aspectWH = float(W) / float(H);
    }

    const int e = s.effect;
    if (e >= 0 && e <= 27) {
        StepCommonEffect(s, W, H, out);
    } else if (e == 28 || e == 29) {
        StepInterlace(s, W, H, out);
    } else if (e == 30) {
        StepZoom(s, W, H, out);
    } else if (e == 31 || e == 32) {
        StepRotation(s, W, H, out);
    } else if (e == 33) {
        StepRain(s, W, H, rain, out);
    } else {
        // No effect: the whole picture at once, or gone at once.
        s.P = s.PX;
        s.Q = s.QX;
        if (!s.eraseMode) {
            out.draw = true;
            AddInPlace(out, {0, 0, W, H});
        }
    }
    out.stretch = s.stretch && !out.pieces.empty();
    s.restart = false;
    if (s.P >= s.PX && s.Q >= s.QX) {
        s.done = true;
        return false;
    }
    return true;
}

} // namespace saver
