#include <gtest/gtest.h>
TEST(Beacon, Placeholder) {}
