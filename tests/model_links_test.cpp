#include <gtest/gtest.h>

#include "model/links.h"

using namespace model;

TEST(ModelLinks, SameHalf) {
    EXPECT_TRUE(SameHalf(0, 5));
    EXPECT_TRUE(SameHalf(6, 11));
    EXPECT_FALSE(SameHalf(5, 6));
    EXPECT_FALSE(SameHalf(0, 11));
    EXPECT_FALSE(SameHalf(-1, 0));
    EXPECT_FALSE(SameHalf(12, 11));
}

TEST(ModelLinks, NoPartnerByDefault) {
    const ProfileRecord r;
    for (int out = 0; out < OUTPUT_CHANNELS; ++out)
        EXPECT_FALSE(LinkPartner(r, out));
}

TEST(ModelLinks, BridgedPairWithLinkModeOff) {
    ProfileRecord r;
    r.bridgeOutputs[1] = 1;
    EXPECT_EQ(LinkPartner(r, 2), 3);
    EXPECT_EQ(LinkPartner(r, 3), 2);
    EXPECT_FALSE(LinkPartner(r, 4));
    r.linkOutputs[2] = 0;  // ignored while link mode is off
    EXPECT_EQ(LinkPartner(r, 2), 3);
}

TEST(ModelLinks, LinkPartnerWinsOverBridge) {
    ProfileRecord r;
    r.bridgeOutputs[1] = 1;
    r.linkMode = 1;
    r.linkOutputs[2] = 0;
    EXPECT_EQ(LinkPartner(r, 2), 0);
    // No link entry: the bridge partner still applies.
    EXPECT_EQ(LinkPartner(r, 3), 2);
}

TEST(ModelLinks, OutOfRange) {
    ProfileRecord r;
    r.linkMode = 1;
    r.linkOutputs[0] = 99;  // corrupt entry
    EXPECT_FALSE(LinkPartner(r, 0));
    EXPECT_FALSE(LinkPartner(r, -1));
    EXPECT_FALSE(LinkPartner(r, 12));
}

TEST(ModelLinks, FillDefaults) {
    ProfileRecord r;
    FillLinkOutputs(r);
    const PerOutput<int> expected = {1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10};
    EXPECT_EQ(r.linkOutputs, expected);
}

TEST(ModelLinks, FillKeepsHalvesAndSkipsEmpty) {
    ProfileRecord r;
    r.outputs = {1, 0, 0, 0, 0, 0, 7, 0, 22, 23, 0, 24};
    r.linkOutputs.fill(5);
    FillLinkOutputs(r);
    // 1 and 7 are mirrors but in different halves; empty outputs never link.
    const PerOutput<int> expected = {-1, -1, -1, -1, -1, -1, -1, -1, 9, 8, -1, -1};
    EXPECT_EQ(r.linkOutputs, expected);
}

TEST(ModelLinks, Conflict) {
    ProfileRecord r;
    EXPECT_TRUE(HasLinkConflict(r));  // defaults pair within each half
    r.outputs = {1, 2, 3, 0, 0, 0, 7, 8, 9, 0, 0, 0};
    EXPECT_FALSE(HasLinkConflict(r));
    r.outputs[4] = 8;
    // The first output of type 8 is 4, in the half of output 1.
    EXPECT_TRUE(HasLinkConflict(r));
    r.outputs = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(HasLinkConflict(r));
}

TEST(ModelLinks, ConflictUsesOnlyFirstMatch) {
    ProfileRecord r;
    r.outputs = {1, 0, 0, 0, 0, 0, 7, 7, 0, 0, 0, 0};
    // Output 6 (type 7) mirrors to 1 at output 0, other half; 7 likewise.
    EXPECT_FALSE(HasLinkConflict(r));
    r.outputs = {0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0};
    r.outputs[0] = 7;
    r.outputs[7] = 7;
    // Output 6's first mirror match is 0 (other half), though 7 shares its half.
    // Output 7's mirror 1 first appears at 6: same half.
    EXPECT_TRUE(HasLinkConflict(r));
}
