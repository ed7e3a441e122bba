// The fixed format table: 18 rows in this order.  The index is what
// codec_guess returns and what CDibImage records as `format`.  Every row has
// its reader (the library would answer code 2, "not supported", for a row
// without one).
#include "imaging/codec_reader.h"

namespace {
constexpr uint8_t k1 = kCodecRead1, k4 = kCodecRead4, k8 = kCodecRead8, k24 = kCodecRead24;
}

const FormatEntry kFormatTable[kCodecFormatCount] = {
    {"Bitmap", "OS/2 1.1, 1.2, 2.0 / Windows 3.0 bitmap", "BMP VGA BGA RLE DIB RL4 RL8",
     k1 | k4 | k8 | k24, &kBmpReader},
    {"GIF", "CompuServe Graphics Interchange Format", "GIF", k1 | k4 | k8, &kGifReader},
    {"PCX", "ZSoft PC Paintbrush Image format", "PCX PCC", k1 | k4 | k8 | k24, &kPcxReader},
    {"TIFF", "Tagged Image File Format support (almost TIFF 6.0 Baseline)", "TIF TIFF",
     k1 | k4 | k8 | k24, &kTiffReader},
    {"Targa", "Truevision Targa/Vista bitmap", "TGA VST AFI", k8 | k24, &kTargaReader},
    {"ILBM", "Amiga IFF / ILBM Interleaved bitmap", "IFF LBM", k1 | k4 | k8 | k24, &kIlbmReader},
    {"YUV12C", "YUV12C M-Motion Video Frame Buffer", "VID", k24, &kYuv12cReader},
    {"Greymap", "Portable Greyscale-map (binary P5 type)", "PGM", k8, &kGreymapReader},
    {"Pixmap", "Portable Pixel-map (binary P6 type)", "PPM", k24, &kPixmapReader},
    {"KIPS", "IBM KIPS", "KPS", k8, &kKipsReader},
    {"IAX", "IBM Image Access eXecutive", "IAX", k8, &kIaxReader},
    {"XBitmap", "X Windows Bitmap", "XBM", k1, &kXBitmapReader},
    {"Sprite", "Archimedes Sprite from RiscOS", "SPR SPRITE", k1 | k4 | k8, &kSpriteReader},
    {"PSEG", "IBM Printer Page Segment", "PSE PSEG PSEG38PP PSEG3820", k1, &kPsegReader},
    {"GemRas", "GEM Raster", "IMG", k1 | k4 | k8 | k24, &kGemRasReader},
    {"Portrait", "Portrait", "CVP", k24, &kPortraitReader},
    {"JPEG", "JPEG File Interchange Format", "JPG JPEG JPE", k8 | k24, &kJpegReader},
    {"PNG", "Portable Network Graphics", "PNG", k1 | k4 | k8 | k24, &kPngReader},
};
