#pragma once
// Reader of the data that tests/reference/dsp_reference.py writes; needs DSP_REFERENCE_DIR.

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "dsp/channel_curve.h"

namespace dsptest {

// A reference file as rows of a tag and numbers ("index:dB" reads as two numbers).
using Row = std::pair<std::string, std::vector<double>>;
inline std::vector<Row> ReadRows(const std::string& name) {
    std::vector<Row> rows;
    std::ifstream file(std::string(DSP_REFERENCE_DIR) + "/" + name);
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::replace(line.begin(), line.end(), ':', ' ');
        std::istringstream in(line);
        Row row;
        in >> row.first;
        for (double v; in >> v;) {
            row.second.push_back(v);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

struct Channel {
    dsp::ChannelCrossover crossover;
    bool eqBypass = false;
    std::vector<dsp::PeakingBand> bands;
    std::vector<double> sum;  // expected
};

// W eqBypass hp(freq type slope bypass) lp(...), B freq gain q enabled, R sum...
inline std::vector<Channel> ReadChannels() {
    std::vector<Channel> out;
    for (const auto& [tag, v] : ReadRows("channel_reference.txt")) {
        if (tag == "W" && v.size() == 9) {
            // An init-capture: clang before 16 cannot capture a structured binding.
            auto side = [&v = v](int i) {
                return dsp::CrossoverSide{v[i], int(v[i + 1]), int(v[i + 2]), v[i + 3] != 0};
            };
            out.push_back({{side(1), side(5)}, v[0] != 0, {}, {}});
        } else if (tag == "B" && v.size() == 4 && !out.empty()) {
            out.back().bands.push_back({v[0], v[1], v[2], v[3] != 0});
        } else if (tag == "R" && !out.empty()) {
            out.back().sum = v;
        }
    }
    return out;
}

}  // namespace dsptest
