#pragma once
// Makes this library's controls known to every layout by their tags ("Curve", "CurveAc",
// "CircleProgress"). Windows that may hold one call it before they are built; calling it again
// changes nothing.

namespace controls {

void RegisterCustomControls();

}  // namespace controls
