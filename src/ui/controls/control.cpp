#include "ui/controls/control.h"

#include <QEvent>

#include "ui/window.h"

#include "ui/resources.h"

namespace ui {

Control::Control(QWidget* self) : mSelf(self) {}
Control::~Control() = default;

QString Control::Name() const {
    return mSelf->objectName();
}

int Control::UserDataInt(int fallback) const {
    bool ok = false;
    const int value = mUserData.toInt(&ok);
    return ok ? value : fallback;
}

QString Control::Text() const {
    return ResolveText(mRawText);
}

void Control::SetText(const QString& raw) {
    mRawText = raw;
    mHasText = true;
    ShowText(ResolveText(raw));
    mShownText = DisplayedText();
}

void Control::KeepRawText(const QString& raw) {
    mRawText = raw;
    mHasText = true;
    mShownText = DisplayedText();
}

void Control::SetToolTip(const QString& raw) {
    mRawToolTip = raw;
    mSelf->setToolTip(ResolveText(raw));
    mShownToolTip = mSelf->toolTip();
}

void Control::Retranslate() {
    if (mHasText) {
        if (DisplayedText() == mShownText) {
            ShowText(ResolveText(mRawText));
            mShownText = DisplayedText();
        } else {
            mHasText = false;  // set past us: no longer ours to translate
        }
    }
    if (!mRawToolTip.isEmpty()) {
        if (mSelf->toolTip() == mShownToolTip) {
            mSelf->setToolTip(ResolveText(mRawToolTip));
            mShownToolTip = mSelf->toolTip();
        } else {
            mRawToolTip.clear();
        }
    }
}

bool Control::Configure(const LayoutNode& node, QString* error) {
    (void)node;
    (void)error;
    return true;
}

Window* Control::OwnerWindow() const {
    for (QWidget* w = mSelf->parentWidget(); w; w = w->parentWidget()) {
        if (auto* window = qobject_cast<Window*>(w)) {
            return window;
        }
    }
    return nullptr;
}

void Control::SendNotify(const char* type, int arg) {
    Window* window = OwnerWindow();
    if (!window) {
        return;
    }
    Notification n;
    n.type = QLatin1String(type);
    n.sender = mSelf->objectName();
    n.control = mSelf;
    n.arg = arg;
    n.userData = mUserData;
    QPointer<QWidget> alive(mSelf);
    const int saved = std::exchange(mUserInput, 0);
    window->Dispatch(n);
    if (alive) {
        mUserInput = saved;
    }
}

void Control::HandleChange(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        Retranslate();
    }
}

Control::UserInput::UserInput(Control* control) : mControl(control), mAlive(control->mSelf) {
    ++mControl->mUserInput;
}

Control::UserInput::~UserInput() {
    if (mAlive) {
        --mControl->mUserInput;
    }
}

bool Control::IsUserInputEvent(const QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::Shortcut:
            return true;
        default:
            return false;
    }
}

Control* AsControl(QWidget* widget) {
    return dynamic_cast<Control*>(widget);
}
const Control* AsControl(const QWidget* widget) {
    return dynamic_cast<const Control*>(widget);
}

QString CssColor(const QColor& c) {
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(c.red())
        .arg(c.green())
        .arg(c.blue())
        .arg(c.alpha());
}

}  // namespace ui
