#pragma once
// Payload helpers shared by the operation files (dsp_commands.cpp, system_commands.cpp); not part
// of the link's interface.

#include <initializer_list>

#include "link/encoding.h"

namespace dsplink::payloads {

// One byte per value, in order: the layout of most heads and of every single-value write.
inline Payload Bytes(std::initializer_list<int> values) {
    PayloadWriter w;
    for (int v : values) {
        w.Byte(v);
    }
    return w.Take();
}

}  // namespace dsplink::payloads
