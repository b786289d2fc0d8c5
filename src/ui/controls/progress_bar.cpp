#include "ui/controls/progress_bar.h"

#include <QEvent>

namespace ui {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent), Control(this) {
    setTextVisible(false);
    setRange(0, 100);
    setValue(0);
}

QStringList ProgressBar::KnownAttributes() const {
    return {QStringLiteral("min"), QStringLiteral("max"), QStringLiteral("value"),
            QStringLiteral("showtext"), QStringLiteral("forecolor")};
}

bool ProgressBar::Configure(const LayoutNode& node, QString* error) {
    int min = 0;
    int max = 100;
    int value = 0;
    bool showText = false;
    if (!node.ReadInt(QStringLiteral("min"), &min, error) ||
        !node.ReadInt(QStringLiteral("max"), &max, error) ||
        !node.ReadInt(QStringLiteral("value"), &value, error) ||
        !node.ReadBool(QStringLiteral("showtext"), &showText, error) ||
        !node.ReadColor(QStringLiteral("bkcolor"), &mBackground, error) ||
        !node.ReadColor(QStringLiteral("forecolor"), &mForeground, error)) {
        return false;
    }
    if (min > max) {
        if (error) {
            *error = node.Where() +
                     QStringLiteral("<Progress> min %1 is above max %2").arg(min).arg(max);
        }
        return false;
    }
    setRange(min, max);
    setValue(value);
    setTextVisible(showText);
    QString sheet;
    if (mBackground.isValid()) {
        sheet += QStringLiteral("QProgressBar{background-color:%1;}").arg(CssColor(mBackground));
    }
    if (mForeground.isValid()) {
        sheet +=
            QStringLiteral("QProgressBar::chunk{background-color:%1;}").arg(CssColor(mForeground));
    }
    if (!sheet.isEmpty()) {
        setStyleSheet(sheet);
    }
    return true;
}

void ProgressBar::changeEvent(QEvent* event) {
    HandleChange(event);
    QProgressBar::changeEvent(event);
}

}  // namespace ui
