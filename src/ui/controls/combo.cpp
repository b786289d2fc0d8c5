#include "ui/controls/combo.h"

#include <QEvent>
#include <QKeyEvent>
#include <QListView>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyleOptionComboBox>
#include <QWheelEvent>

#include "ui/controls/control_support.h"

#include "ui/resources.h"

namespace ui {

using namespace control_support;

Combo::Combo(QWidget* parent) : QComboBox(parent), Control(this) {
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QComboBox::activated, this, [this](int index) { OnActivated(index); });
}

QStringList Combo::KnownAttributes() const {
    return {QStringLiteral("cursel")};
}

bool Combo::Configure(const LayoutNode& node, QString* error) {
    // Without cursel or a selected item the first item shows, as in any combo box.
    int selected = 0;
    if (!node.ReadInt(QStringLiteral("cursel"), &selected, error)) {
        return false;
    }
    for (const LayoutNode& child : node.children) {
        if (!child.TagIs("Item")) {
            if (error) {
                *error = child.Where() +
                         QStringLiteral("<Combo> holds only <Item>, not <%1>").arg(child.tag);
            }
            return false;
        }
        bool itemSelected = false;
        if (!child.ReadBool(QStringLiteral("selected"), &itemSelected, error)) {
            return false;
        }
        const int index =
            AddItem(child.Attr(QStringLiteral("text")), child.Attr(QStringLiteral("userdata")));
        if (itemSelected) {
            selected = index;
        }
    }
    if (count() == 0 && !node.Has(QStringLiteral("cursel"))) {
        selected = -1;
    }
    if (selected < -1 || selected >= count()) {
        if (error) {
            *error = node.Where() +
                     QStringLiteral("cursel %1 but only %2 items").arg(selected).arg(count());
        }
        return false;
    }
    setCurrentIndex(selected);
    return true;
}

int Combo::AddItem(const QString& rawText, const QString& userData) {
    addItem(ResolveText(rawText));
    const int index = count() - 1;
    setItemData(index, rawText, kRawTextRole);
    setItemData(index, userData, kUserDataRole);
    return index;
}

QString Combo::ItemRawText(int index) const {
    return itemData(index, kRawTextRole).toString();
}

QString Combo::ItemUserData(int index) const {
    return itemData(index, kUserDataRole).toString();
}

int Combo::FindItem(const QString& userData) const {
    for (int i = 0; i < count(); ++i) {
        if (ItemUserData(i) == userData) {
            return i;
        }
    }
    return -1;
}

void Combo::SetItemEnabled(int index, bool enabled) {
    auto* items = qobject_cast<QStandardItemModel*>(model());
    if (index < 0 || index >= count() || items == nullptr) {
        return;
    }
    if (QStandardItem* item = items->item(index)) {
        item->setEnabled(enabled);
    }
}

void Combo::SetItemVisible(int index, bool visible) {
    auto* items = qobject_cast<QStandardItemModel*>(model());
    auto* list = qobject_cast<QListView*>(view());
    if (index < 0 || index >= count() || items == nullptr || list == nullptr) {
        return;
    }
    list->setRowHidden(index, !visible);
    if (QStandardItem* item = items->item(index)) {
        item->setEnabled(visible);
    }
}

bool Combo::IsItemVisible(int index) const {
    const auto* list = qobject_cast<const QListView*>(view());
    return index >= 0 && index < count() && (list == nullptr || !list->isRowHidden(index));
}

bool Combo::SelectItem(int index, NotifyMode mode) {
    if (index < -1 || index >= count()) {
        return false;
    }
    setCurrentIndex(index);
    if (mode == NotifyMode::Notify) {
        SendNotify(notify::kItemSelect, index);
    }
    return true;
}

void Combo::Retranslate() {
    Control::Retranslate();
    for (int i = 0; i < count(); ++i) {
        setItemText(i, ResolveText(ItemRawText(i)));
    }
}

void Combo::paintEvent(QPaintEvent* event) {
    QComboBox::paintEvent(event);
    // A themed combo loses the style's arrow, and style sheets cannot draw one without an
    // image file; a small chevron in the text colour stands in.
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QRect arrow =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this);
    if (arrow.width() < 6) {
        return;
    }
    const qreal half = std::min(arrow.width(), arrow.height()) / 5.0;
    const QPointF centre = QRectF(arrow).center();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor colour = palette().color(QPalette::Text);
    colour.setAlphaF(isEnabled() ? 0.7f : 0.3f);
    painter.setPen(
        QPen(colour, std::max(1.0, half / 2.5), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(
        QPolygonF({centre + QPointF(-half, -half / 2), centre + QPointF(0, half / 2),
                   centre + QPointF(half, -half / 2)}));
}

void Combo::showPopup() {
    mIndexBeforeUser = currentIndex();
    QComboBox::showPopup();
}

void Combo::keyPressEvent(QKeyEvent* event) {
    mIndexBeforeUser = currentIndex();
    QComboBox::keyPressEvent(event);
}

void Combo::wheelEvent(QWheelEvent* event) {
    mIndexBeforeUser = currentIndex();
    QComboBox::wheelEvent(event);
}

void Combo::OnActivated(int index) {
    if (index == mIndexBeforeUser) {
        return;
    }
    mIndexBeforeUser = index;
    SendNotify(notify::kItemSelect, index);
}

void Combo::changeEvent(QEvent* event) {
    HandleChange(event);
    QComboBox::changeEvent(event);
}

}  // namespace ui
