#pragma once
// The Control mixin every toolkit control carries: its name (the QObject name), user data
// text, raw text and tooltip (possibly holding "${key}"s, resolved again on every language
// change), and the path for notifications to the window that owns it.
//
// Notifications come from the user's input only. Setters called from code are silent unless
// given NotifyMode::Notify; focus notifications ("setfocus", "killfocus") are the exception and
// follow the focus however it moves.

#include <QColor>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "ui/language.h"
#include "ui/layout.h"
#include "ui/notification.h"

namespace ui {

class Window;

class Control {
  public:
    virtual ~Control();

    QWidget* Widget() const { return mSelf; }
    QString Name() const;

    const QString& UserData() const { return mUserData; }
    void SetUserData(const QString& data) { mUserData = data; }
    // The user data as an integer (the index of numbered controls), fallback when it is none.
    int UserDataInt(int fallback = -1) const;

    // Text as given ("${tips}", "CH%d", ...) and as shown in the current language.
    const QString& RawText() const { return mRawText; }
    QString Text() const;
    void SetText(const QString& raw);
    bool HasText() const { return mHasText; }

    const QString& RawToolTip() const { return mRawToolTip; }
    void SetToolTip(const QString& raw);

    // Shows every text again through the current language.
    virtual void Retranslate();

    // Reads the attributes particular to this kind; the builder has already applied the common
    // ones. False with *error (file, line, problem) on a bad value.
    virtual bool Configure(const LayoutNode& node, QString* error);
    // Attribute names Configure understands, so the builder can warn about the rest.
    virtual QStringList KnownAttributes() const { return {}; }
    // Sizes inside the control (column widths, icon sizes) for a new DPI; geometry and font are
    // the window's business.
    virtual void OnScale(int dpi) { (void)dpi; }

    // The window that receives this control's notifications: the nearest ui::Window above it.
    Window* OwnerWindow() const;

  protected:
    explicit Control(QWidget* self);

    // Puts a resolved text on screen, and reads back what is on screen; the defaults show
    // nothing.
    virtual void ShowText(const QString& resolved) { (void)resolved; }
    virtual QString DisplayedText() const { return QString(); }
    void SendNotify(const char* type, int arg = 0);
    // Keeps a text the user typed as the raw text, without showing it again.
    void KeepRawText(const QString& raw);
    // Called from each control's changeEvent.
    void HandleChange(QEvent* event);

    // Counts nested user-input events being handled by this control; changes made while it is
    // above zero come from the user. It is zero again while a notification is delivered, so
    // whatever the handler sets from code stays silent.
    class UserInput {
      public:
        explicit UserInput(Control* control);
        ~UserInput();
        UserInput(const UserInput&) = delete;
        UserInput& operator=(const UserInput&) = delete;

      private:
        Control* mControl;
        QPointer<QWidget> mAlive;
    };
    bool FromUser() const { return mUserInput > 0; }
    static bool IsUserInputEvent(const QEvent* event);

  private:
    QWidget* mSelf;
    QString mUserData;
    QString mRawText;
    QString mRawToolTip;
    // What we last put on screen: a text changed past us (Qt's own setters) is left alone by
    // later language changes instead of being overwritten with a stale raw text.
    QString mShownText;
    QString mShownToolTip;
    bool mHasText = false;
    int mUserInput = 0;
};

// The Control part of any widget, or nullptr.
Control* AsControl(QWidget* widget);
const Control* AsControl(const QWidget* widget);

// A colour as the theme language writes it, alpha included.
QString CssColor(const QColor& c);

}  // namespace ui
