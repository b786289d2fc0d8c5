#pragma once
// The message box and the question box: a title, a text and up to three buttons.
// Results: "confirm_btn" 1, "cancel_btn" 0, "third_btn" 2, "closebtn" (or Escape) 0.

#include <QList>
#include <QRect>
#include <QStringList>

#include "windows/dialog_wnd.h"

class CMsgWnd final : public CDialogWnd {
  public:
    static constexpr char kLayout[] = "XML_MSG";

    explicit CMsgWnd(QWidget* owner);

    using ui::Window::Create;
    bool Create() { return Create(QString::fromLatin1(kLayout)); }

    // Either may be empty: the layout's own text then stays.
    void SetMessage(const QString& title, const QString& text);
    // The texts of "confirm_btn", "cancel_btn" and "third_btn", in that order. Fewer than two
    // hide "cancel_btn", fewer than three hide "third_btn"; texts past the third are ignored.
    void SetButtons(const QStringList& texts);

    // A message with its buttons (every message of the program has one, "${confirm}").
    static int MessageBox(QWidget* owner, const QString& title, const QString& text,
                          const QStringList& buttons = {QStringLiteral("${confirm}")});
    // Asks with the layout's own two buttons; 1 is the positive answer.
    static int Question(QWidget* owner, const QString& title, const QString& text);

    void Notify(const ui::Notification& n) override;

  private:
    void ArrangeButtons();

    ui::Label* mTitle = nullptr;
    ui::Label* mText = nullptr;
    // Left to right as the layout places them, with the places themselves.
    QList<ui::Button*> mButtons;
    QList<QRect> mButtonSlots;
};
