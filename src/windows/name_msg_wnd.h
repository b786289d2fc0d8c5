#pragma once
// The name editor for scene names. A scene name is stored in 16 bytes of UTF-16 with a
// terminator, so it holds at most 7 characters; the editor never hands back more.
// "confirm_btn" or Enter copies the text into the caller's name and closes with 1;
// "cancel_btn", "closebtn" and Escape close with 0, "third_btn" with 2, the name untouched.

#include <QString>

#include "windows/dialog_wnd.h"

class CNameMsgWnd final : public CDialogWnd {
  public:
    static constexpr char kLayout[] = "XML_MSG_NAME";
    static constexpr int kMaxNameChars = 7;

    // name must outlive the window; it is written only on confirmation.
    CNameMsgWnd(QWidget* owner, QString& name);

    using ui::Window::Create;
    bool Create() { return Create(QString::fromLatin1(kLayout)); }

    // Either may be empty: the layout's own text then stays.
    void SetMessage(const QString& title, const QString& text);

    // At most kMaxNameChars UTF-16 units, never ending inside a surrogate pair.
    static QString ClampName(const QString& name);

    static int EditName(QWidget* owner, QString& name);

    void Notify(const ui::Notification& n) override;

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Accept();
    void FocusEdit();

    QString& mName;
    ui::Label* mTitle = nullptr;
    ui::Label* mText = nullptr;
    ui::Edit* mEdit = nullptr;
    bool mRedirecting = false;
};
