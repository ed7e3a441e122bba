#include "authoring/media/preview_shrink.h"

namespace media {

bool ShrinkImage(const CDibImage& image, int outWidth, int outHeight, std::vector<uint8_t>* out) {
    out->clear();
    const int w = image.width, h = image.height, bpp = image.bitsPerPixel;
    if (!image.bits || (bpp != 8 && bpp != 24) || w <= 0 || h <= 0 || outWidth <= 0 ||
        outHeight <= 0 || outWidth > w || outHeight > h)
        return false;
    const size_t inStride = image.Stride(), outStride = DibStride(outWidth, 24);
    out->assign(outStride * size_t(outHeight), 0);
    // Column spans once: output column x covers source columns [x0[x], x0[x + 1]).
    std::vector<int> x0(size_t(outWidth) + 1);
    for (int x = 0; x <= outWidth; ++x) x0[size_t(x)] = int(int64_t(x) * w / outWidth);
    std::vector<uint64_t> sum(size_t(outWidth) * 3);
    for (int y = 0; y < outHeight; ++y) {
        // Rows are bottom-up in both images, so the same span rule holds.
        const int yBegin = int(int64_t(y) * h / outHeight), yEnd = int(int64_t(y + 1) * h / outHeight);
        std::fill(sum.begin(), sum.end(), uint64_t(0));
        for (int sy = yBegin; sy < yEnd; ++sy) {
            const uint8_t* row = image.bits + size_t(sy) * inStride;
            for (int x = 0; x < outWidth; ++x) {
                uint64_t b = 0, g = 0, r = 0;
                for (int sx = x0[size_t(x)]; sx < x0[size_t(x) + 1]; ++sx) {
                    if (bpp == 24) {
                        const uint8_t* p = row + size_t(sx) * 3;
                        b += p[0], g += p[1], r += p[2];
                    } else {
                        const DibRgbQuad& q = image.bmi.bmiColors[row[sx]];
                        b += q.rgbBlue, g += q.rgbGreen, r += q.rgbRed;
                    }
                }
                uint64_t* s = &sum[size_t(x) * 3];
                s[0] += b, s[1] += g, s[2] += r;
            }
        }
        uint8_t* dst = out->data() + size_t(y) * outStride;
        for (int x = 0; x < outWidth; ++x) {
            // At most 2^31 / 255 source pixels per output pixel: a picture of
            // the largest size the image object holds stays far below that.
            uint32_t n = uint32_t(yEnd - yBegin) * uint32_t(x0[size_t(x) + 1] - x0[size_t(x)]);
            const uint64_t* s = &sum[size_t(x) * 3];
            for (int c = 0; c < 3; ++c) dst[x * 3 + c] = uint8_t((s[c] + n / 2) / n);
        }
    }
    return true;
}

}  // namespace media
