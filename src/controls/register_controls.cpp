#include "controls/register_controls.h"

#include "controls/ui_equalizer.h"
#include "ui/control_factory.h"

namespace controls {

void RegisterCustomControls() {
    ui::RegisterControl(QStringLiteral("Curve"), [](const ui::LayoutNode& node, QString* error) {
        return UIEqualizer::FromLayout(node, error);
    });
}

}  // namespace controls
