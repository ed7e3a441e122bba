// Slides prepared ahead of time: while one picture is on the screen, the next
// one of the slideshow list is decoded, converted to the display's colours and
// fitted to the screen on a thread of its own, so that changing to a large
// photograph does not hold up the 20 ms frame loop: the show, the hold of at
// least a second and the erase give it the time.  The saver's thread only
// copies the finished picture into the slide.
//
// Threads: the loader's thread touches nothing of the saver.  It works on a
// copy of the request, makes its own memory device context and bitmap, and
// hands the bitmap over (no longer selected anywhere) under the lock; from
// then on the saver's thread owns it.  One picture at most waits ahead.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "imaging/codec.h"
#include "imaging/dib_image.h"

// What to prepare: the slideshow list's entry at `index` ("file|caption"),
// for the saver's colour mode, image-size options and screen size.
struct SlideRequest {
    int index = 0;
    std::string entry;
    int colorMode = 0;
    int sizeFlags = 0;
    int screenWidth = 0, screenHeight = 0;
    // True-colour display: the picture is also fitted (drawn to its slide size)
    // ahead of time.  On a palette display the saver draws it itself, through
    // the palette of its own device context.
    bool fitAhead = true;
};

// The result for one request.  ok false: the picture cannot be loaded,
// converted or drawn, and the entry leaves the list.
struct PreparedSlide {
    PreparedSlide() = default;
    ~PreparedSlide() { Clear(); }
    PreparedSlide(const PreparedSlide&) = delete;
    PreparedSlide& operator=(const PreparedSlide&) = delete;
    PreparedSlide(PreparedSlide&& o) noexcept { *this = std::move(o); }
    PreparedSlide& operator=(PreparedSlide&& o) noexcept;
    void Clear();

    int index = -1;
    std::string entry;
    bool ok = false;
    int fitMode = 0;
    // Either the picture fitted to its slide size (a DIB section, owned, selected
    // into no device context) ...
    HBITMAP fitted = nullptr;
    int width = 0, height = 0;
    // ... or the converted picture, for the saver to fit and draw.
    std::unique_ptr<CDibImage> image;
};

// The picture's colours as the display and the options want them (colour mode
// chosen at start: 1 true colour then 256, 2 grayscale, 3 256 colours).
bool ApplyColorMode(CDibImage& image, int colorMode);

// Does the whole preparation on the calling thread: decode frame 0 through io
// (nullptr: the default file operations), colour mode, fit mode and, with
// fitAhead, the fitted bitmap.
PreparedSlide PrepareSlide(const SlideRequest& request, const CodecIo* io = nullptr);

// Puts a prepared picture into the slide: its size, its pixels, its place on the
// screen and its frame-shape region.  false when the slide cannot take it.
class Sprite;
bool PutIntoSlide(Sprite& slide, PreparedSlide& picture, const RECT& screen);

// One worker thread, started by the first request and ended by Stop() or the
// destructor (a decode under way is cut short, so the end never waits for a
// whole photograph).
class SlideLoader {
  public:
    SlideLoader();
    ~SlideLoader();
    SlideLoader(const SlideLoader&) = delete;
    SlideLoader& operator=(const SlideLoader&) = delete;

    // Starts preparing this picture; replaces any request not yet taken (and its
    // result).
    void Request(const SlideRequest& request);
    // The picture for `wanted`: the one prepared ahead when it was requested,
    // waiting for the rest of its work if need be, else prepared here and now.
    // Either way the result is the one a load at this moment gives, in the
    // list's order: a file removed since it was read ahead counts as unreadable.
    PreparedSlide Get(const SlideRequest& wanted);
    // Ends the thread; requests after it start a new one.
    void Stop();

  private:
    void Run();
    static int32_t Read(void* ctx, int64_t fd, void* buf, int32_t count);

    std::mutex lock_;
    std::condition_variable wake_;
    std::thread thread_;
    bool stopping_ = false;
    bool requested_ = false; // a request not yet taken by Get
    bool pending_ = false;   // ... and not yet begun by the thread
    unsigned generation_ = 0;
    SlideRequest request_;
    bool ready_ = false;
    PreparedSlide result_;
    std::atomic<bool> cancel_{false};
    CodecIo io_; // file operations whose reads fail once cancel_ is set
};
