#include "ui/controls/slider.h"

#include <QEvent>
#include <QMouseEvent>

namespace ui {

Slider::Slider(QWidget* parent) : QSlider(Qt::Horizontal, parent), Control(this) {
    setTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QSlider::valueChanged, this, [this](int v) { OnValueChanged(v); });
    connect(this, &QSlider::sliderPressed, this, [this] { OnPressed(); });
    connect(this, &QSlider::sliderReleased, this, [this] { OnReleased(); });
}

QStringList Slider::KnownAttributes() const {
    return {QStringLiteral("min"),  QStringLiteral("max"),      QStringLiteral("value"),
            QStringLiteral("step"), QStringLiteral("pagestep"), QStringLiteral("vertical")};
}

bool Slider::Configure(const LayoutNode& node, QString* error) {
    int min = 0;
    int max = 100;
    int value = 0;
    int step = 1;
    int page = 10;
    bool vertical = false;
    if (node.Has(QStringLiteral("pos"))) {
        QRect rect;
        node.ReadRect(QStringLiteral("pos"), &rect, nullptr);
        vertical = rect.height() > rect.width();
    }
    if (!node.ReadInt(QStringLiteral("min"), &min, error) ||
        !node.ReadInt(QStringLiteral("max"), &max, error) ||
        !node.ReadInt(QStringLiteral("value"), &value, error) ||
        !node.ReadInt(QStringLiteral("step"), &step, error) ||
        !node.ReadInt(QStringLiteral("pagestep"), &page, error) ||
        !node.ReadBool(QStringLiteral("vertical"), &vertical, error)) {
        return false;
    }
    if (min > max) {
        if (error) {
            *error =
                node.Where() + QStringLiteral("<Slider> min %1 is above max %2").arg(min).arg(max);
        }
        return false;
    }
    setOrientation(vertical ? Qt::Vertical : Qt::Horizontal);
    setRange(min, max);
    setSingleStep(std::max(1, step));
    setPageStep(std::max(1, page));
    setValue(value);
    return true;
}

void Slider::SetValue(int v, NotifyMode mode) {
    setValue(v);
    if (mode == NotifyMode::Notify) {
        SendNotify(notify::kValueChanged, value());
    }
}

bool Slider::event(QEvent* e) {
    // The repeat timer of a held page click belongs to the user's press.
    if (IsUserInputEvent(e) || e->type() == QEvent::Timer) {
        UserInput scope(this);
        return QSlider::event(e);
    }
    return QSlider::event(e);
}

void Slider::OnValueChanged(int v) {
    if (!FromUser()) {
        return;
    }
    SendNotify(isSliderDown() ? notify::kMoveValueChanged : notify::kValueChanged, v);
}

void Slider::OnPressed() {
    mValueAtPress = value();
}

void Slider::OnReleased() {
    if (FromUser() && value() != mValueAtPress) {
        SendNotify(notify::kValueChanged, value());
    }
}

void Slider::changeEvent(QEvent* event) {
    HandleChange(event);
    QSlider::changeEvent(event);
}

}  // namespace ui
