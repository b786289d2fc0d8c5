#include "controls/control_support.h"

namespace ui::control_support {

Qt::Alignment ParseAlignment(const LayoutNode& node, Qt::Alignment fallback, QString* error,
                             bool* ok) {
    *ok = true;
    Qt::Alignment horizontal = fallback & Qt::AlignHorizontal_Mask;
    Qt::Alignment vertical = fallback & Qt::AlignVertical_Mask;
    const QString align = node.Attr(QStringLiteral("align")).trimmed().toLower();
    if (!align.isEmpty()) {
        if (align == QLatin1String("left")) {
            horizontal = Qt::AlignLeft;
        } else if (align == QLatin1String("center")) {
            horizontal = Qt::AlignHCenter;
        } else if (align == QLatin1String("right")) {
            horizontal = Qt::AlignRight;
        } else {
            *ok = false;
            if (error) {
                *error = node.Where() + QStringLiteral(
                                            "align=\"%1\": expected left, center or "
                                            "right")
                                            .arg(align);
            }
        }
    }
    const QString valign = node.Attr(QStringLiteral("valign")).trimmed().toLower();
    if (!valign.isEmpty()) {
        if (valign == QLatin1String("top")) {
            vertical = Qt::AlignTop;
        } else if (valign == QLatin1String("vcenter") || valign == QLatin1String("center")) {
            vertical = Qt::AlignVCenter;
        } else if (valign == QLatin1String("bottom")) {
            vertical = Qt::AlignBottom;
        } else {
            *ok = false;
            if (error) {
                *error = node.Where() + QStringLiteral(
                                            "valign=\"%1\": expected top, vcenter or "
                                            "bottom")
                                            .arg(valign);
            }
        }
    }
    return horizontal | vertical;
}

}  // namespace ui::control_support
