// Filter lists from measurement tools: what is read from the ways they write it, what the
// amplifier's bands take and what they refuse, the round trip through a written list, and
// untrusted bytes.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "model/frequency.h"
#include "model/value_ranges.h"
#include "profiles/filter_text.h"

namespace {

using profiles::FilterImport;
using profiles::MapFilterText;
using profiles::ReadFilterText;

constexpr int kOutput = 3;

FilterImport Import(const std::string& text, const model::ProfileRecord& live = {}) {
    std::string error;
    const auto read = ReadFilterText(text, &error);
    EXPECT_TRUE(read) << error;
    return read ? MapFilterText(*read, live, kOutput) : FilterImport{};
}

TEST(FilterText, ReadsWhatTheToolsWriteInAnyLocale) {
    const std::string text =
        "Filter Settings file\r\n"
        "\r\n"
        "Room EQ V5.20\r\n"
        "Notes: measured at the driver's seat\r\n"
        "# a comment\r\n"
        "Preamp: -6,6 dB\r\n"
        "Filter  1: ON  PK       Fc    63 Hz  Gain  -5.0 dB  Q  2.00\r\n"
        "Filter 2:ON PK Fc 1.000 Hz Gain -3,5 dB Q 4,25\r\n"
        "Filter  3: OFF PK       Fc   100 Hz  Gain  -9.0 dB  Q  1.00\r\n"
        "Filter  4: ON  None\r\n"
        "Filter:\tON\tPK\tFc\t12.500,0 Hz\tGain\t+20.0 dB\tQ\t0.10\r\n"
        "Filter  6: ON  PK       Fc   5 Hz  Gain  -30 dB  Q  15";
    model::ProfileRecord live;
    live.channels[kOutput].gain = -3.0f;
    const FilterImport in = Import(text, live);
    ASSERT_TRUE(in.refused.empty()) << in.refused.front();
    const auto& b = in.bands;
    EXPECT_EQ(b[0], (model::EqBand{-5.0f, 2.0f, 63, 1}));
    EXPECT_EQ(b[1], (model::EqBand{-3.5f, model::WireEqQ(4.25f), 1000, 1}));
    // Clamped to the bands' ranges: 12 dB, Q 0.5..9, 20 Hz..20 kHz.
    EXPECT_EQ(b[2], (model::EqBand{12.0f, 0.5f, 12500, 1}));
    EXPECT_EQ(b[3], (model::EqBand{-18.0f, 9.0f, 20, 1}));
    // Bands beyond the list play flat at their own frequency.
    EXPECT_EQ(b[4].eqGain, 0.0f);
    EXPECT_EQ(b[4].freq, live.bands[kOutput][4].freq);
    EXPECT_EQ(b[30].eqGain, 0.0f);
    // The preamp goes to the output's gain, in whole dB as the amplifier keeps it.
    EXPECT_FLOAT_EQ(in.gain, model::WireOutputGain(-3.0f - 6.6f));
}

TEST(FilterText, WhatTheBandsCannotPlayIsListedAndNothingIsTaken) {
    const FilterImport in = Import(
        "Filter 1: ON PK Fc 63 Hz Gain -5.0 dB Q 2.00\n"
        "Filter 2: ON LS Fc 80 Hz Gain 3.0 dB\n"
        "Filter 3: ON LP Q Fc 12000 Hz Q 0.71\n"
        "Filter 4: ON All pass Fc 300 Hz Q 1.0\n"
        "Filter 5: ON NO Fc 50 Hz\n"
        "Filter 6: ON PK Fc 120 Hz BW Oct 0.5 Gain -2 dB\n");
    ASSERT_EQ(in.refused.size(), 5u);
    EXPECT_EQ(in.refused[0], "line 2: LS (shelf)");
    EXPECT_EQ(in.refused[1], "line 3: LP Q (low/high-pass: use the output's crossover)");
    EXPECT_EQ(in.refused[2], "line 4: All pass (all-pass)");
    EXPECT_EQ(in.refused[3], "line 5: NO (notch)");
    EXPECT_EQ(in.refused[4], "line 6: PK (needs Fc, Gain and Q)");

    std::string many;
    for (int i = 1; i <= model::MAX_EQ_BANDS + 1; ++i) {
        many += "Filter " + std::to_string(i) + ": ON PK Fc 100 Hz Gain 1 dB Q 1\n";
    }
    EXPECT_EQ(Import(many).refused, std::vector<std::string>{"32 filters for 31 bands"});
    EXPECT_TRUE(Import("").refused.empty());
}

TEST(FilterText, AWrittenListReadsBackToTheSameBands) {
    std::mt19937 random(7);
    model::ProfileRecord live;
    for (model::EqBand& b : live.bands[kOutput]) {
        b = model::EqBand{model::WireEqGain(std::uniform_real_distribution<float>(-18, 12)(random)),
                          model::WireEqQ(std::uniform_real_distribution<float>(0.5f, 9)(random)),
                          std::uniform_int_distribution<int>(20, 20000)(random), 1};
    }
    const std::string text = profiles::WriteFilterText(live, kOutput);
    const FilterImport in = Import(text, live);
    ASSERT_TRUE(in.refused.empty());
    for (int b = 0; b < model::MAX_EQ_BANDS; ++b) {
        EXPECT_EQ(in.bands[b], live.bands[kOutput][b]) << "band " << b;
    }
    // A disabled band is not written: the list holds what plays.
    live.bands[kOutput][0].enable = 0;
    EXPECT_EQ(Import(profiles::WriteFilterText(live, kOutput), live).bands[0],
              live.bands[kOutput][1]);
}

TEST(FilterText, UntrustedBytesAreRefusedOrReadSafely) {
    std::string error;
    EXPECT_FALSE(ReadFilterText(std::string("Filter 1: ON PK\0 Fc 1", 21), &error));
    EXPECT_EQ(error, "the file is not text");
    const std::string huge(50u << 20, 'x');
    EXPECT_FALSE(ReadFilterText(huge, &error));
    EXPECT_EQ(error, "the file is too large for a filter list");

    // Cut anywhere or filled with noise, a list is read without harm.
    const std::string valid =
        "Preamp: -1.5 dB\nFilter 1: ON PK Fc 1.000,5 Hz Gain -3,0 dB Q 1.41\n"
        "Filter 12: ON LP Q Fc 99.999 Hz Q 0.7\n";
    std::mt19937 random(11);
    for (size_t cut = 0; cut <= valid.size(); ++cut) {
        if (const auto read = ReadFilterText(valid.substr(0, cut))) {
            MapFilterText(*read, model::ProfileRecord{}, kOutput);
        }
    }
    const std::string alphabet = "Filter:ONOFFPKFcHzGainQdB -+.,0123456789e\n\t";
    for (int round = 0; round < 2000; ++round) {
        std::string noise(std::uniform_int_distribution<size_t>(0, 80)(random), ' ');
        for (char& c : noise) {
            c = alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(random)];
        }
        if (const auto read = ReadFilterText("Filter 1: ON PK " + noise)) {
            const FilterImport in = MapFilterText(*read, model::ProfileRecord{}, kOutput);
            for (const model::EqBand& b : in.bands) {
                ASSERT_GE(b.eqGain, model::MIN_EQ_GAIN);
                ASSERT_LE(b.eqGain, model::MAX_EQ_GAIN);
                ASSERT_GE(b.freq, model::MIN_FREQUENCY);
            }
        }
    }
}

}  // namespace
