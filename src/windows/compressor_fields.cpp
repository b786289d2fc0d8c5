#include "windows/compressor_fields.h"

#include <algorithm>
#include <cmath>

#include "ui/controls.h"

namespace compressor_fields {

ParamScale ScaleOf(Param p) {
    switch (p) {
        case Param::Threshold:
        case Param::Ratio:
        case Param::Knee:
            return {10, 1, false};
        case Param::Attack:
            return {1, 10, true};
        case Param::Release:
            return {1, 100, true};
    }
    return {1, 1, true};
}

double ValueOf(const model::CompressorSettings& s, Param p) {
    switch (p) {
        case Param::Threshold:
            return s.threshold;
        case Param::Ratio:
            return s.ratio;
        case Param::Knee:
            return s.knee;
        case Param::Attack:
            return s.attack;
        case Param::Release:
            return s.release;
    }
    return 0.0;
}

void SetValue(model::CompressorSettings& s, Param p, double value) {
    switch (p) {
        case Param::Threshold:
            s.threshold = static_cast<float>(value);
            break;
        case Param::Ratio:
            s.ratio = static_cast<float>(value);
            break;
        case Param::Knee:
            s.knee = static_cast<float>(value);
            break;
        case Param::Attack:
            s.attack = static_cast<int>(value);
            break;
        case Param::Release:
            s.release = static_cast<int>(value);
            break;
    }
}

QString Text(Param p, double value) {
    switch (p) {
        case Param::Threshold:
        case Param::Knee:
            return QString::asprintf("%.1fdB", value);
        case Param::Ratio:
            return QString::asprintf("%.1f", value);
        case Param::Attack:
        case Param::Release:
            break;
    }
    return QString::asprintf("%dms", static_cast<int>(value));
}

int SliderUnits(Param p, double value) {
    const double units = value * ScaleOf(p).scale;
    return std::isfinite(units) ? static_cast<int>(std::lround(std::clamp(units, -1e9, 1e9))) : 0;
}

Limits LimitsOf(Param p, const ui::Slider* slider) {
    const double scale = ScaleOf(p).scale;
    if (slider != nullptr) {
        return {slider->Min() / scale, slider->Max() / scale};
    }
    switch (p) {
        case Param::Threshold:
            return {model::MIN_COMPRESSOR_THRESHOLD, model::MAX_COMPRESSOR_THRESHOLD};
        case Param::Ratio:
            return {model::MIN_COMPRESSOR_RATIO, model::MAX_COMPRESSOR_RATIO};
        case Param::Knee:
            return {model::MIN_COMPRESSOR_KNEE, model::MAX_COMPRESSOR_KNEE};
        case Param::Attack:
            return {model::MIN_COMPRESSOR_ATTACK, model::MAX_COMPRESSOR_ATTACK};
        case Param::Release:
            break;
    }
    return {model::MIN_COMPRESSOR_RELEASE, model::MAX_COMPRESSOR_RELEASE};
}

}  // namespace compressor_fields
