#include "register_controls.h"

#include "control_factory.h"
#include "ui_equalizer.h"

namespace controls {

void RegisterCustomControls() {
    ui::RegisterControl(QStringLiteral("Curve"), [](const ui::LayoutNode& node, QString* error) {
        return UIEqualizer::FromLayout(node, error);
    });
}

}  // namespace controls
