#include "saver/slide_loader_win32.h"

#include <utility>

#include "saver/geometry/caption.h"
#include "saver/geometry/fitting.h"
#include "saver/sprite_win32.h"
#include "win32/handles.h"

PreparedSlide& PreparedSlide::operator=(PreparedSlide&& o) noexcept {
    if (this != &o) {
        Clear();
        index = o.index;
        entry = std::move(o.entry);
        ok = o.ok;
        fitMode = o.fitMode;
        fitted = std::exchange(o.fitted, nullptr);
        width = o.width;
        height = o.height;
        image = std::move(o.image);
    }
    return *this;
}

void PreparedSlide::Clear() {
    if (fitted) DeleteObject(fitted);
    fitted = nullptr;
    image.reset();
    ok = false;
}

bool ApplyColorMode(CDibImage& image, int colorMode) {
    switch (colorMode) {
    case 1:
        return image.ToTrueColor() && image.ReduceTo256();
    case 2:
        return image.ToGrayscale();
    case 3:
        return image.ReduceTo256();
    }
    return true;
}

namespace {

// Draws the picture into a new 32-bit DIB section of its slide size, with the
// stretch mode of the slide's own device context, so that the pixels are the
// ones a draw straight into the slide gives.
HBITMAP DrawFitted(CDibImage& image, int width, int height) {
    MemoryDC dc(nullptr);
    if (!dc.Get()) return nullptr;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    GdiObject<HBITMAP> bitmap(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return nullptr;
    bool drawn;
    {
        SelectGuard selected(dc.Get(), bitmap.Get());
        SetStretchBltMode(dc.Get(), COLORONCOLOR);
        RECT dest = {0, 0, width, height};
        drawn = image.Draw(dc.Get(), &dest, nullptr, FALSE);
        GdiFlush();
    }
    return drawn ? bitmap.Release() : nullptr;
}

} // namespace

PreparedSlide PrepareSlide(const SlideRequest& request, const CodecIo* io) {
    PreparedSlide out;
    out.index = request.index;
    out.entry = request.entry;
    saver::ImageEntry entry = saver::SplitImageEntry(request.entry);
    auto image = std::make_unique<CDibImage>(io);
    if (!image->LoadFrame(entry.fileName.c_str(), 0) || !ApplyColorMode(*image, request.colorMode))
        return out;
    out.fitMode = saver::ChooseFitMode(request.sizeFlags, image->width, image->height,
                                       request.screenWidth, request.screenHeight);
    saver::Size size = saver::FittedSize(out.fitMode, image->width, image->height,
                                         request.screenWidth, request.screenHeight);
    if (size.width <= 0 || size.height <= 0) return out;
    if (request.fitAhead) {
        out.fitted = DrawFitted(*image, size.width, size.height);
        if (!out.fitted) return out;
        out.width = size.width;
        out.height = size.height;
    } else {
        out.image = std::move(image);
    }
    out.ok = true;
    return out;
}

bool PutIntoSlide(Sprite& slide, PreparedSlide& picture, const RECT& screen) {
    if (!picture.ok) return false;
    if (!picture.fitted)
        return picture.image && slide.LoadImage(*picture.image, screen, picture.fitMode);
    const RECT& r = slide.rect;
    slide.SetPosition(r.left, r.top, r.left + picture.width, r.top + picture.height);
    if (!slide.imageBitmap || !slide.imageDC) return false;
    MemoryDC source(slide.imageDC);
    if (!source.Get()) return false;
    {
        SelectGuard selected(source.Get(), picture.fitted);
        if (!BitBlt(slide.imageDC, 0, 0, picture.width, picture.height, source.Get(), 0, 0,
                    SRCCOPY))
            return false;
    }
    slide.maskValid = false;
    slide.error = 0;
    slide.Place();
    slide.BuildShapeRegion();
    return true;
}

// The loader reads its files through handles that let others rename or delete
// the file meanwhile, as if it were read only when its turn comes: a picture
// read ahead never keeps the user (or the album's editor) from removing it.
namespace {

HANDLE ToHandle(int64_t fd) {
    return reinterpret_cast<HANDLE>(intptr_t(fd));
}

int64_t OpenShared(void*, const char* name, int flags) {
    if (flags != kCodecOpenRead) return -1;
    HANDLE h =
        CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return h == INVALID_HANDLE_VALUE ? -1 : int64_t(intptr_t(h));
}

int64_t NoCreate(void*, const char*) {
    return -1;
}

void CloseShared(void*, int64_t fd) {
    CloseHandle(ToHandle(fd));
}

int64_t SeekShared(void*, int64_t fd, int64_t offset, int origin) {
    LARGE_INTEGER distance, position;
    distance.QuadPart = offset;
    // The codec's origins are FILE_BEGIN, FILE_CURRENT and FILE_END in that order.
    if (origin < kCodecSeekSet || origin > kCodecSeekEnd ||
        !SetFilePointerEx(ToHandle(fd), distance, &position, DWORD(origin)))
        return -1;
    return position.QuadPart;
}

int32_t NoWrite(void*, int64_t, const void*, int32_t) {
    return -1;
}

} // namespace

SlideLoader::SlideLoader() {
    io_ = CodecIo{OpenShared, NoCreate, CloseShared, SeekShared, Read, NoWrite, this};
}

SlideLoader::~SlideLoader() {
    Stop();
}

int32_t SlideLoader::Read(void* ctx, int64_t fd, void* buf, int32_t count) {
    auto* self = static_cast<SlideLoader*>(ctx);
    DWORD got = 0;
    if (self->cancel_.load() || count < 0 ||
        !ReadFile(ToHandle(fd), buf, DWORD(count), &got, nullptr))
        return -1;
    return int32_t(got);
}

void SlideLoader::Request(const SlideRequest& request) {
    PreparedSlide dropped;
    {
        std::lock_guard<std::mutex> hold(lock_);
        request_ = request;
        requested_ = pending_ = true;
        ++generation_;
        dropped = std::move(result_);
        ready_ = false;
        if (!thread_.joinable()) {
            stopping_ = false;
            cancel_ = false;
            thread_ = std::thread(&SlideLoader::Run, this);
        }
    }
    wake_.notify_all();
}

namespace {

bool SameRequest(const SlideRequest& a, const SlideRequest& b) {
    return a.index == b.index && a.entry == b.entry && a.colorMode == b.colorMode &&
           a.sizeFlags == b.sizeFlags && a.screenWidth == b.screenWidth &&
           a.screenHeight == b.screenHeight && a.fitAhead == b.fitAhead;
}

} // namespace

PreparedSlide SlideLoader::Get(const SlideRequest& wanted) {
    PreparedSlide out;
    {
        std::unique_lock<std::mutex> hold(lock_);
        if (requested_ && SameRequest(request_, wanted)) {
            wake_.wait(hold, [this] { return ready_ || stopping_; });
            out = std::move(result_);
            ready_ = requested_ = false;
        }
    }
    if (out.index < 0) return PrepareSlide(wanted, &io_);
    std::string file = saver::SplitImageEntry(out.entry).fileName;
    if (out.ok && GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) out.Clear();
    return out;
}

void SlideLoader::Stop() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!thread_.joinable()) return;
        stopping_ = true;
        cancel_ = true;
    }
    wake_.notify_all();
    thread_.join();
    std::lock_guard<std::mutex> hold(lock_);
    result_.Clear();
    ready_ = requested_ = pending_ = false;
}

void SlideLoader::Run() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        wake_.wait(hold, [this] { return stopping_ || pending_; });
        if (stopping_) return;
        SlideRequest request = request_;
        unsigned generation = generation_;
        pending_ = false;
        hold.unlock();
        PreparedSlide picture = PrepareSlide(request, &io_);
        hold.lock();
        // A newer request makes this result stale; it is dropped.
        if (generation == generation_ && !stopping_) {
            result_ = std::move(picture);
            ready_ = true;
            wake_.notify_all();
        }
    }
}
