#pragma once
// The two-choice box: a question with two options, "check_box_0" and "check_box_1".
// "confirm_btn" closes with 1 or 2 for the option chosen and does nothing before a choice;
// "cancel_btn", "closebtn" and Escape close with 0.

#include "windows/dialog_wnd.h"

class CMsgCheckBoxWnd final : public CDialogWnd {
  public:
    static constexpr char kLayout[] = "XML_CHECKBOX_MSG";

    explicit CMsgCheckBoxWnd(QWidget* owner);

    using ui::Window::Create;
    bool Create() { return Create(QString::fromLatin1(kLayout)); }

    // Either may be empty: the layout's own text then stays.
    void SetMessage(const QString& title, const QString& text);
    // Labels the options; only when both texts are given, as a half-labelled pair misleads.
    void SetChoices(const QString& first, const QString& second);
    // 1 for the first option, 2 for the second, 0 while neither is chosen.
    int Choice() const;

    static int Choose(QWidget* owner, const QString& title, const QString& text,
                      const QString& first, const QString& second);

    void Notify(const ui::Notification& n) override;

  private:
    void UpdateConfirm();

    ui::Label* mTitle = nullptr;
    ui::Label* mText = nullptr;
    ui::Option* mFirst = nullptr;
    ui::Option* mSecond = nullptr;
    ui::Button* mConfirm = nullptr;
};
