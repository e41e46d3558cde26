#include "quenlar.h"
#include <gtest/gtest.h>
TEST(Smoke, Crc) { EXPECT_EQ(0xCBF43926u, Quenlar.CRC32("123456789", 9)); }
