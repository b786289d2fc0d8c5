#pragma once
// The busy window shown while a worker job talks to the amplifier. Its owner opens it modally
// (so the owner takes no input) and closes it with Close(1) when the job reports back.
// "confirm_btn" closes with 1, "cancel_btn" and "closebtn" with 0, where the layout has them.

#include <QColor>
#include <QWidget>

#include "windows/dialog_wnd.h"

// A ring of spokes with a bright head that moves one spoke per Advance(); layout tag
// "BusyIndicator", attribute forecolor.
class CBusyIndicatorUI final : public QWidget {
  public:
    static constexpr int kSpokes = 12;

    explicit CBusyIndicatorUI(QWidget* parent = nullptr);

    void Advance();
    int Phase() const { return mPhase; }
    void SetColor(const QColor& color);
    const QColor& Color() const { return mColor; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int mPhase = 0;
    QColor mColor;
};

class CLoadingWnd final : public CDialogWnd {
  public:
    static constexpr char kLayout[] = "XML_LOADING";
    static constexpr int kAnimationTimer = 1;
    static constexpr int kAnimationPeriodMs = 80;

    explicit CLoadingWnd(QWidget* owner);

    using ui::Window::Create;
    bool Create() { return Create(QString::fromLatin1(kLayout)); }

    // What the job is doing; empty keeps the layout's text.
    void SetMessage(const QString& text);
    CBusyIndicatorUI* Indicator() const { return mIndicator; }

    void Notify(const ui::Notification& n) override;

  protected:
    QWidget* CreateCustomControl(const QString& tag, const ui::LayoutNode& node) override;
    void OnTimer(int id) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    ui::Label* mText = nullptr;
    CBusyIndicatorUI* mIndicator = nullptr;
};
