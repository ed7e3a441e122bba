#include <gtest/gtest.h>
#include "tests/harness/win_harness.h"
TEST(Start, Placeholder) {}
