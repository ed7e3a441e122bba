// The C library's pseudo-random generator of the target (msvcrt): the same
// linear congruential sequence in every build, so a fixed seed gives a known
// sequence in native tests and under Windows alike.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int kCrtRandMax = 32767;

void CrtSeed(uint32_t seed);
// Next value in 0..32767 (msvcrt: state = state * 214013 + 2531011; value = bits 16..30).
int CrtRand();

// a + trunc((b - a + 1) * r / 32768) with r = CrtRand(), in floating point; lies in [a, b].
int RandomInt(int a, int b);
// Entry of a list of n for a random value r: trunc(r * n / 32768).
int RandomIndex(int r, int n);

// n - 1 random swaps of two different entries; lists shorter than two are left alone.
void ShuffleList(std::vector<std::string>& list);
// Case-insensitive (ASCII) order of whole entries.
void SortList(std::vector<std::string>& list);
