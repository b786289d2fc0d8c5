#include "controls/circle_progress.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <memory>

#include "ui/scaling.h"
#include "ui/window.h"

CCircleProgressUI::CCircleProgressUI(QWidget* parent) : ui::ProgressBar(parent) {}

CCircleProgressUI* CCircleProgressUI::FromLayout(const ui::LayoutNode& node, QString* error) {
    auto ring = std::make_unique<CCircleProgressUI>();
    // The builder leaves registered tags to their factory, so the progress attributes are read
    // here.
    if (!ring->Configure(node, error)) {
        return nullptr;
    }
    return ring.release();
}

int CCircleProgressUI::SweepDegrees() const {
    const double range = static_cast<double>(maximum()) - minimum();
    if (range <= 0.0) {
        return 0;
    }
    const double degrees = std::trunc(value() / range * 360.0);
    return static_cast<int>(std::clamp(degrees, 0.0, 360.0));
}

void CCircleProgressUI::OnScale(int dpi) {
    (void)dpi;  // the inset is read from the owner window when painting
    update();
}

void CCircleProgressUI::paintEvent(QPaintEvent* event) {
    (void)event;
    const QRect r = rect();
    if (r.isEmpty()) {
        return;
    }
    const ui::Window* window = OwnerWindow();
    const int dpi = window ? window->Dpi() : ui::kLayoutDpi;
    const int inset = ui::ScaleValue(kInset, dpi);
    const QColor background =
        BackgroundColor().isValid() ? BackgroundColor() : palette().color(QPalette::Mid);
    const QColor foreground =
        ForegroundColor().isValid() ? ForegroundColor() : palette().color(QPalette::Highlight);

    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawEllipse(r);
    if (const int sweep = SweepDegrees(); sweep > 0) {
        // Qt counts angles counter-clockwise from three o'clock: the bottom is -90 degrees and a
        // clockwise sweep is negative.
        painter.setBrush(foreground);
        painter.drawPie(r, -90 * 16, -sweep * 16);
    }
    const QRect middle = r.adjusted(inset, inset, -inset, -inset);
    if (!middle.isEmpty()) {
        painter.setBrush(QColor::fromRgba(0xFFFFFFFF));
        painter.drawEllipse(middle);
    }
}
