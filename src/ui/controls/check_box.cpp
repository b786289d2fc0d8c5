#include "ui/controls/check_box.h"

#include <QEvent>
#include <QPainter>
#include <QStyleOptionButton>

#include "ui/controls/control_support.h"

namespace ui {

using namespace control_support;

CheckBox::CheckBox(QWidget* parent) : QCheckBox(parent), Control(this) {
    setFocusPolicy(Qt::TabFocus);
}

QStringList CheckBox::KnownAttributes() const {
    return {QStringLiteral("selected")};
}

bool CheckBox::Configure(const LayoutNode& node, QString* error) {
    bool selected = false;
    if (!ReadSelected(node, &selected, error)) {
        return false;
    }
    setChecked(selected);
    return true;
}

void CheckBox::SetSelected(bool selected, NotifyMode mode) {
    setChecked(selected);
    if (mode == NotifyMode::Notify) {
        SendNotify(notify::kSelectChanged, selected ? 1 : 0);
    }
}

void CheckBox::nextCheckState() {
    setChecked(!isChecked());
    SendNotify(notify::kSelectChanged, isChecked() ? 1 : 0);
}

void CheckBox::paintEvent(QPaintEvent* event) {
    QCheckBox::paintEvent(event);
    if (!isChecked()) {
        return;
    }
    // The theme fills a checked box with the accent; a tick in the colour of text on the accent
    // (the selection text colour) makes the state unmistakable.
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRectF box = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    if (box.width() < 6) {
        return;
    }
    const qreal w = box.width();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::HighlightedText), std::max(1.5, w / 7),
                        Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygonF({box.topLeft() + QPointF(w * 0.25, w * 0.52),
                                    box.topLeft() + QPointF(w * 0.43, w * 0.70),
                                    box.topLeft() + QPointF(w * 0.76, w * 0.32)}));
}

void CheckBox::changeEvent(QEvent* event) {
    HandleChange(event);
    QCheckBox::changeEvent(event);
}

}  // namespace ui
