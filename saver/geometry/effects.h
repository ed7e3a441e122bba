// Step geometry of the slideshow's transition effects: for every frame of a
// transition, which rectangles of the slide's picture are copied where.  Pure
// arithmetic, no drawing; the saver's Win32 layer executes the result.
//
// Drawing contract (what the Win32 layer does with a StepOutput each frame):
//   - `draw` false: nothing of the slide is drawn this frame, not even its frame
//     outline; the background painted for the frame shows through.
//   - `draw` true: draw the frame outline (SlideFrame, fitting.h) without clipping, then clip
//     the scene to the slide's visible region intersected with its frame-shape
//     region, minus the ellipse inscribed in `holeBox` when `hasHole` is set; copy
//     every piece in order, then remove the clipping.
//   - A piece copies `src` (picture bitmap coordinates, origin at the bitmap's top
//     left) to `dest` (slide coordinates: add the slide's top-left screen corner).
//     With `stretch` false every piece has equal source and destination sizes and
//     is a 1:1 BitBlt; with `stretch` true each piece is a StretchBlt of `src` into
//     `dest`.  Every copy uses SRCCOPY.
//   - Every listed piece has a positive width and height, and both its rectangles
//     lie inside (0, 0, W, H): nothing is read from outside the picture.
//   - The hole box may reach beyond the slide (the hole starts larger than the
//     picture); an empty box is never reported.
//
// Arithmetic rules the numbers depend on (kept so the x86 SSE2 build of Windows
// and the native tests agree bit for bit): all integer divisions truncate; the
// aspect ratio r = H / W is a 32-bit float; speed and aspect products are 32-bit
// float operations; every float is turned into an int by truncation toward zero.
#pragma once

#include <cstdint>
#include <vector>

namespace saver {

// Half-open rectangle as GDI uses it: columns left..right-1, rows top..bottom-1.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const Rect& o) const { return !(*this == o); }
};

struct Piece {
    Rect dest;
    Rect src;
    bool operator==(const Piece& o) const { return dest == o.dest && src == o.src; }
};

constexpr int kEffectCount = 34;  // effects 0..33; the position in the Effects string
constexpr int kNoEffect = 34;     // shows or removes the whole picture at once
constexpr int kRainCell = 22;     // rain copies blocks of 22 x 22 pixels
constexpr int kInterlaceEnd = 16; // interlace strips are 16 pixels apart

// The slide's per-transition state.  The step functions read `effect`,
// `eraseMode` and `speed` and advance the rest.
struct EffectState {
    int effect = kNoEffect;
    bool eraseMode = false;
    int speed = 20; // 1..100 from the settings; other values are tolerated

    bool restart = true;   // the next step starts the effect afresh
    bool done = false;     // the effect has completed
    bool stretch = false;  // the steps stretch instead of copying 1:1
    int P = 0, Q = 0;      // x and y progress
    int PX = 0, QX = 0;    // their end values
    int dP = 0, dQ = 0;    // their increments per step
    float aspectHW = 0.0f; // H / W of the slide, recomputed at every restart
    float aspectWH = 0.0f; // W / H
};

// Cell order of the rain effect.  One table serves every slide of the run (the
// saver window owns it); each restart of rain refills and reshuffles it with the
// C library generator, so a given seed gives the same rain as on Windows.
class RainTable {
  public:
    // Sets the table to 0..n-1 and swaps entry i with entry trunc(rand() * n / 32768)
    // for i = 0..n-1.
    void Shuffle(int n);
    const std::vector<int32_t>& cells() const { return cells_; }

  private:
    // 32-bit entries: an own-size slide larger than about 5600 x 5600 pixels has
    // more than 65536 cells.
    std::vector<int32_t> cells_;
};

// What one frame of the slide draws.  Reuse one object across frames: `pieces`
// keeps its capacity (interlace has up to W / 16 pieces, rain one per cell).
struct StepOutput {
    bool draw = false;
    bool stretch = false;
    std::vector<Piece> pieces;
    bool hasHole = false;
    Rect holeBox; // the ellipse inscribed in it is left out of the clipping
};

// Marks the state for a fresh start of its effect (stretching off, not done);
// the aspect ratios are recomputed by the first step from the slide's size then.
void Restart(EffectState& state);

// One frame of the slide, W x H pixels: the whole picture while a completed show
// is held, nothing after a completed erase, otherwise one step of the effect
// (running its restart block first when `restart` is set).  Returns false exactly
// on the frame whose step completes the effect, true otherwise.  `rain` is used
// only by effect 33.
bool StepSlide(EffectState& state, int W, int H, RainTable& rain, StepOutput& out);

// The increment of the common restart block for a slide dimension `size` at speed
// s: trunc(2 + s * (size / 3 - 2) * 0.01010101f), at least 2.
int ProgressIncrement(int speed, int size);
// The interlace increment trunc(2 + s * 0.060606062f): 2 at speed 1, 8 at speed 100.
int InterlaceIncrement(int speed);
// Rain: columns and rows of 22-pixel cells (one more than fit whole), and the
// cell increment trunc(N/50 + (N/5 - N/50) * s * 0.01010101f), at least 1.
int RainColumns(int W);
int RainRows(int H);
int RainIncrement(int cellCount, int speed);

} // namespace saver
