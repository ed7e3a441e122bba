// The see-through copy of a sprite's picture onto what lies under it: every
// pixel but those of the key colour replaces the one below, exactly as the
// monochrome-mask copy (destination XOR picture, AND mask, XOR picture) does.
#pragma once

#include <cstddef>
#include <cstdint>

namespace saver {

// dst[i] = src[i] for every i < count where src[i] != key; other dst pixels stay.
void CopyUnlessKey(uint32_t* dst, const uint32_t* src, size_t count, uint32_t key);

} // namespace saver
