#include "ui/controls/sbutton.h"

#include <QEvent>

#include "ui/controls/control_support.h"

namespace ui {

using namespace control_support;

SButton::SButton(QWidget* parent) : Button(parent) {
    setProperty("selected", false);
}

QStringList SButton::KnownAttributes() const {
    return {QStringLiteral("image"),
            QStringLiteral("selected"),
            QStringLiteral("group"),
            QStringLiteral("autoselect"),
            QStringLiteral("selectedtextcolor"),
            QStringLiteral("selectedbkcolor")};
}

bool SButton::Configure(const LayoutNode& node, QString* error) {
    if (!Button::Configure(node, error)) {
        return false;
    }
    bool selected = false;
    QColor text, selectedText, background, selectedBackground;
    if (!ReadSelected(node, &selected, error) ||
        !node.ReadBool(QStringLiteral("autoselect"), &mAutoSelect, error) ||
        !node.ReadColor(QStringLiteral("textcolor"), &text, error) ||
        !node.ReadColor(QStringLiteral("selectedtextcolor"), &selectedText, error) ||
        !node.ReadColor(QStringLiteral("bkcolor"), &background, error) ||
        !node.ReadColor(QStringLiteral("selectedbkcolor"), &selectedBackground, error)) {
        return false;
    }
    mGroup = node.Attr(QStringLiteral("group"));
    SetColors(text, selectedText, background, selectedBackground);
    mSelected = !selected;  // force the first SetSelected to apply
    SetSelected(selected);
    return true;
}

void SButton::SetColors(const QColor& text, const QColor& selectedText, const QColor& background,
                        const QColor& selectedBackground) {
    mTextColor = text;
    mSelectedTextColor = selectedText;
    mBackground = background;
    mSelectedBackground = selectedBackground;
    ApplyColors();
}

void SButton::ApplyColors() {
    // Per-widget rules only for what the layout set; the theme decides the rest.
    QString normal;
    QString chosen;
    if (mTextColor.isValid()) {
        normal += QStringLiteral("color:%1;").arg(CssColor(mTextColor));
    }
    if (mBackground.isValid()) {
        normal += QStringLiteral("background-color:%1;").arg(CssColor(mBackground));
    }
    if (mSelectedTextColor.isValid()) {
        chosen += QStringLiteral("color:%1;").arg(CssColor(mSelectedTextColor));
    }
    if (mSelectedBackground.isValid()) {
        chosen += QStringLiteral("background-color:%1;").arg(CssColor(mSelectedBackground));
    }
    QString sheet;
    if (!normal.isEmpty()) {
        sheet += QStringLiteral("ui--SButton{%1}").arg(normal);
    }
    if (!chosen.isEmpty()) {
        sheet += QStringLiteral("ui--SButton[selected=\"true\"]{%1}").arg(chosen);
    }
    if (!sheet.isEmpty() || !styleSheet().isEmpty()) {
        setStyleSheet(sheet);
    }
}

void SButton::SetSelected(bool selected) {
    if (selected && !mGroup.isEmpty()) {
        for (SButton* peer : GroupPeers<SButton>(this, mGroup)) {
            if (peer->mSelected) {
                peer->SetSelected(false);
            }
        }
    }
    if (selected == mSelected) {
        return;
    }
    mSelected = selected;
    setProperty("selected", selected);
    Repolish(this);
}

void SButton::HandleClick() {
    if (mAutoSelect) {
        SetSelected(true);
    }
    Button::HandleClick();
}

}  // namespace ui
