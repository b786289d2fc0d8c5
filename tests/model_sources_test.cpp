#include <gtest/gtest.h>

#include "model/constants.h"
#include "model/sources.h"

using namespace model;

TEST(ModelSources, Table) {
    const int counts[] = {2, 2, 2, 2, 0, 10, 2, 0, 0};
    const char* items[] = {"source_opt", "source_coax", "source_bt",  "source_aux", "source_low",
                           "source_hi",  "source_dmp",  "source_udp", "source_scp"};
    for (int s = 0; s < INPUT_SOURCES; ++s) {
        SCOPED_TRACE(s);
        EXPECT_EQ(SourceInputCount(s), counts[s]);
        EXPECT_EQ(SourceDeviceCode(s), 0x51 + s);
        EXPECT_EQ(SourceOfDeviceCode(0x51 + s), s);
        EXPECT_EQ(SourceComboItem(s), items[s]);
        EXPECT_EQ(IsSourceShown(s), s != 4 && s != 7 && s != 8);
    }
}

TEST(ModelSources, OutOfRange) {
    for (int s : {-1, 9, 100}) {
        EXPECT_EQ(SourceInputCount(s), 0);
        EXPECT_EQ(SourceDeviceCode(s), -1);
        EXPECT_EQ(SourceComboItem(s), "");
        EXPECT_FALSE(IsSourceShown(s));
    }
    EXPECT_EQ(SourceOfDeviceCode(0x50), -1);
    EXPECT_EQ(SourceOfDeviceCode(0x5A), -1);
    EXPECT_EQ(SourceOfDeviceCode(0), -1);
}

TEST(ModelSources, DefaultMasks) {
    EXPECT_EQ(DefaultInputMask(0, 4), 3);
    EXPECT_EQ(DefaultInputMask(4, 2), 4);
    EXPECT_EQ(DefaultInputMask(5, 3), 8);
    EXPECT_EQ(DefaultInputMask(6, 3), 2);
    EXPECT_EQ(DefaultInputMask(8, 11), 2);
    EXPECT_EQ(DefaultInputMask(9, 0), 0);
    EXPECT_EQ(DefaultInputMask(0, 12), 0);
    EXPECT_EQ(DefaultInputMask(-1, -1), 0);
}
