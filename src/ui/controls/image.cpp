#include "ui/controls/image.h"

#include <QEvent>
#include <QPainter>
#include <QStyleOption>

#include "ui/resources.h"

namespace ui {

Image::Image(QWidget* parent) : QWidget(parent), Control(this) {}

QStringList Image::KnownAttributes() const {
    return {QStringLiteral("image")};
}

bool Image::Configure(const LayoutNode& node, QString* error) {
    (void)error;
    if (node.Has(QStringLiteral("image"))) {
        SetImage(node.Attr(QStringLiteral("image")));
    }
    return true;
}

void Image::SetImage(const QString& path) {
    mImage = path;
    mPixmap = path.isEmpty() ? QPixmap() : Resources::Instance().Pixmap(path);
    update();
}

void Image::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    if (!mPixmap.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(rect(), mPixmap);
    }
}

void Image::changeEvent(QEvent* event) {
    HandleChange(event);
    QWidget::changeEvent(event);
}

}  // namespace ui
