#pragma once
// What the two compressor windows share about a parameter: its slider scale, its up/down step
// in slider units, its field text and its limits, which are its slider's range.

#include <QString>

#include "model/compressor_operations.h"

namespace ui {
class Slider;
}  // namespace ui

namespace compressor_fields {

enum class Param { Threshold, Ratio, Attack, Release, Knee };

struct ParamScale {
    int scale;     // slider units per unit of the value
    int step;      // one up/down click, in slider units
    bool integer;  // stored as whole ms
};
ParamScale ScaleOf(Param p);

double ValueOf(const model::CompressorSettings& s, Param p);
void SetValue(model::CompressorSettings& s, Param p, double value);
// "%.1fdB", "%.1f" or "%dms".
QString Text(Param p, double value);
// The slider position of a value, held within the int range.
int SliderUnits(Param p, double value);

struct Limits {
    double min;
    double max;
};
// The slider's range divided by the scale; the model's limits when there is no slider.
Limits LimitsOf(Param p, const ui::Slider* slider);

}  // namespace compressor_fields
