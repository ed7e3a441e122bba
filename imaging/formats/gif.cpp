// GIF reader - placeholder until the decoder lands.
#include "imaging/codec_reader.h"

namespace {
int ReadHeader(const char*, CodecFile*, CodecHeader*, const char*) { return kCodecErrNotSupported; }
int ReadPalette(CodecFile*, CodecHeader*, uint8_t*) { return kCodecErrNotSupported; }
int ReadData(CodecFile*, CodecHeader*, uint8_t*) { return kCodecErrNotSupported; }
const char* ErrorText(int) { return nullptr; }
}  // namespace

const CodecReader kGifReader = {ReadHeader, ReadPalette, ReadData, ErrorText};
