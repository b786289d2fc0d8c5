#include <gtest/gtest.h>

#include "model/crossover.h"

using namespace model;

TEST(ModelCrossover, FsOutsideRangeStores20) {
    CrossoverFilter f;
    f.SetFs(1000);
    EXPECT_EQ(f.fs(), 1000);
    f.SetFs(19);
    EXPECT_EQ(f.fs(), 20);
    f.SetFs(20001);
    EXPECT_EQ(f.fs(), 20);
    f.SetFs(20000);
    EXPECT_EQ(f.fs(), 20000);
    f.SetFs(-5);
    EXPECT_EQ(f.fs(), 20);
}

TEST(ModelCrossover, TypeOutsideRangeStores1) {
    CrossoverFilter f;
    for (int t : {1, 2, 3}) {
        f.SetType(t);
        EXPECT_EQ(f.type(), t);
    }
    f.SetType(0);
    EXPECT_EQ(f.type(), 1);
    f.SetType(3);
    f.SetType(4);
    EXPECT_EQ(f.type(), 1);
}

TEST(ModelCrossover, SlopeDrivesBypass) {
    CrossoverFilter f;
    f.SetSlope(4);
    EXPECT_EQ(f.slope(), 4);
    EXPECT_EQ(f.bypass(), 0);
    f.SetSlope(-3);
    EXPECT_EQ(f.slope(), 0);
    EXPECT_EQ(f.bypass(), 1);
    f.SetSlope(8);
    EXPECT_EQ(f.bypass(), 0);
    f.SetSlope(0);
    EXPECT_EQ(f.bypass(), 1);
}

TEST(ModelCrossover, BuiltWithoutValuesIsFlat) {
    Crossover c;
    EXPECT_EQ(c.bpType, 0);
    EXPECT_EQ(c.hp.fs(), 20);
    EXPECT_EQ(c.hp.type(), 1);
    EXPECT_EQ(c.hp.slope(), 0);
    EXPECT_EQ(c.hp.bypass(), 1);
    EXPECT_EQ(c.lp.fs(), 20000);
    EXPECT_EQ(c.lp.type(), 1);
    EXPECT_EQ(c.lp.slope(), 0);
    EXPECT_EQ(c.lp.bypass(), 1);
}

namespace {

void ExpectRow(int type, int hpFs, int hpSlope, int lpFs, int lpSlope, int filterType) {
    SCOPED_TRACE(type);
    const Crossover c = CrossoverForType(type);
    EXPECT_EQ(c.hp.fs(), hpFs);
    EXPECT_EQ(c.hp.slope(), hpSlope);
    EXPECT_EQ(c.hp.bypass(), hpSlope == 0 ? 1 : 0);
    EXPECT_EQ(c.lp.fs(), lpFs);
    EXPECT_EQ(c.lp.slope(), lpSlope);
    EXPECT_EQ(c.lp.bypass(), lpSlope == 0 ? 1 : 0);
    EXPECT_EQ(c.hp.type(), filterType);
    EXPECT_EQ(c.lp.type(), filterType);
    EXPECT_EQ(c.bpType, (hpSlope ? 1 : 0) | (lpSlope ? 2 : 0));
}

}  // namespace

TEST(ModelCrossover, TableRows) {
    for (int t : {0, 6, 12, 15, 18, 21})
        ExpectRow(t, 20, 0, 20000, 0, 3);
    for (int t : {1, 7, 13, 16, 19})
        ExpectRow(t, 3400, 2, 20000, 0, 3);
    for (int t : {2, 8})
        ExpectRow(t, 600, 2, 1900, 2, 3);
    for (int t : {3, 9, 14, 17, 20})
        ExpectRow(t, 70, 3, 320, 2, 3);
    for (int t : {4, 10})
        ExpectRow(t, 600, 2, 20000, 0, 3);
    for (int t : {5, 11})
        ExpectRow(t, 70, 2, 1900, 2, 3);
    for (int t : {22, 23, 24})
        ExpectRow(t, 30, 4, 50, 2, 1);
}

TEST(ModelCrossover, TypesOutsideTableUseRowZero) {
    for (int t : {25, 26, 27, 28, -1, 29, 1000})
        ExpectRow(t, 20, 0, 20000, 0, 3);
}
