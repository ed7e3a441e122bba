// Packages made in memory for the reader's tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "builder/package/package_format.h"

struct TestFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

// stub + one entry per file + trailer, as the writer lays them out.
std::vector<uint8_t> BuildTestPackage(const std::vector<uint8_t>& stub,
                                      const std::vector<TestFile>& files);

// Offset of entry i's header in a package made by BuildTestPackage.
size_t TestEntryOffset(const std::vector<uint8_t>& package, size_t stubSize, size_t index);
