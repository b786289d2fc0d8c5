#include "controls/register_controls.h"

#include "controls/circle_progress.h"
#include "controls/ui_equalizer.h"
#include "controls/ui_equalizer_ac.h"
#include "ui/control_factory.h"

namespace controls {

void RegisterCustomControls() {
    ui::RegisterControl(QStringLiteral("Curve"), [](const ui::LayoutNode& node, QString* error) {
        return UIEqualizer::FromLayout(node, error);
    });
    ui::RegisterControl(QStringLiteral("CurveAc"), [](const ui::LayoutNode& node, QString* error) {
        return UIEqualizerAc::FromLayout(node, error);
    });
    ui::RegisterControl(QStringLiteral("CircleProgress"),
                        [](const ui::LayoutNode& node, QString* error) {
                            return CCircleProgressUI::FromLayout(node, error);
                        });
}

}  // namespace controls
