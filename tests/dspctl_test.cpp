#include "dspctl/dspctl.h"
#include "dspctl_test_support.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using dspctl_test::Result;
using dspctl_test::Slurp;

Result RunTool(std::vector<const char*> args) {
    args.insert(args.begin(), "orn-dspctl");
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int code = dspctl::Main(static_cast<int>(args.size()), args.data(), out, err);
    return {code, Slurp(out), Slurp(err)};
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

TEST(Dspctl, UsageErrorsExitWithTwoAndHelpWithZero) {
    EXPECT_EQ(RunTool({}).code, 2);
    EXPECT_EQ(RunTool({"--simulate", "frobnicate"}).code, 2);
    EXPECT_EQ(RunTool({"--bogus", "info"}).code, 2);
    EXPECT_EQ(RunTool({"info", "dump"}).code, 2);
    const Result help = RunTool({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("Usage: orn-dspctl"), std::string::npos);
}

TEST(Dspctl, InfoTracesTheHandshakeWithTheVirtualAmplifier) {
    const Result r = RunTool({"--simulate", "--trace", "info"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_GE(lines.size(), 5u) << r.out;
    EXPECT_EQ(lines[0], "> AA 55 04 03 1F BB 01 1E");
    EXPECT_EQ(lines[1], "> AA 55 03 03 08 BB 37");
    // status, model 78, two version bytes, checksum
    EXPECT_EQ(lines[2].rfind("< AA 55 07 03 08 DD 00 4E ", 0), 0u) << lines[2];
    EXPECT_EQ(lines[2].size(), std::string("< AA 55 07 03 08 DD 00 4E 10 18 9B").size());
    EXPECT_EQ(lines[3], "Model: 78");
    int major = -1, minor = -1;
    EXPECT_EQ(std::sscanf(lines[4].c_str(), "Firmware: %d.%d", &major, &minor), 2) << lines[4];
    EXPECT_EQ(lines.back(), "> AA 55 04 03 1F BB 00 1F");
}

TEST(Dspctl, DumpPrintsOneLinePerReplyOfTheWholeState) {
    const Result r = RunTool({"--simulate", "dump"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string& out = r.out;
    // Every output's 31 bands, crossovers and delays arrive.
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), std::ptrdiff_t(Lines(out).size()));
    EXPECT_NE(out.find("scene 0 CH12 EQ band 31: 20000 Hz, Q 5.80, gain 0.0 dB"), std::string::npos)
        << out.substr(0, 2000);
    EXPECT_NE(out.find("scene 0 CH1 crossover:"), std::string::npos);
    EXPECT_NE(out.find("scene 0 CH12 delay 0.000 ms"), std::string::npos);
    EXPECT_NE(out.find("scene 10 name \"\""), std::string::npos);
    size_t eqLines = 0;
    for (const std::string& line : Lines(out)) {
        eqLines += line.find(" EQ band ") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(eqLines, 12u * 31u);
}
