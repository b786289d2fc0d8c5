#include "ui/controls/button.h"

#include <QEvent>
#include <QIcon>

#include "ui/resources.h"
#include "ui/scaling.h"

namespace ui {

Button::Button(QWidget* parent) : QPushButton(parent), Control(this) {
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QPushButton::clicked, this, [this] { HandleClick(); });
}

void Button::HandleClick() {
    SendNotify(notify::kClick);
}

QStringList Button::KnownAttributes() const {
    return {QStringLiteral("image")};
}

bool Button::Configure(const LayoutNode& node, QString* error) {
    (void)error;
    if (node.Has(QStringLiteral("image"))) {
        SetImage(node.Attr(QStringLiteral("image")));
    }
    return true;
}

void Button::SetImage(const QString& path) {
    mImage = path;
    OnScale(mDpi);
}

void Button::OnScale(int dpi) {
    mDpi = dpi;
    if (mImage.isEmpty()) {
        setIcon(QIcon());
        return;
    }
    const QPixmap pixmap = Resources::Instance().Pixmap(mImage);
    setIcon(pixmap.isNull() ? QIcon() : QIcon(pixmap));
    if (!pixmap.isNull()) {
        setIconSize(ScaleSize(pixmap.size(), dpi));
    }
}

void Button::changeEvent(QEvent* event) {
    HandleChange(event);
    QPushButton::changeEvent(event);
}

}  // namespace ui
