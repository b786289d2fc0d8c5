#pragma once
// The toolkit's controls. Each is a Qt widget plus the Control mixin, which carries what every
// control has: its name (the QObject name), user data text, raw text and tooltip (possibly
// holding "${key}"s, resolved again on every language change), and the path for notifications
// to the window that owns it.
//
// Notifications come from the user's input only. Setters called from code are silent unless
// given NotifyMode::Notify; focus notifications ("setfocus", "killfocus") are the exception and
// follow the focus however it moves.

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

#include "language.h"
#include "layout.h"
#include "notification.h"

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

class Label : public QLabel, public Control {
    Q_OBJECT
  public:
    explicit Label(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;

  protected:
    void ShowText(const QString& resolved) override { setText(resolved); }
    QString DisplayedText() const override { return text(); }
    void changeEvent(QEvent* event) override;
};

// "click" when pressed and released (also when click() is called from code: that is a click).
class Button : public QPushButton, public Control {
    Q_OBJECT
  public:
    explicit Button(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;
    void OnScale(int dpi) override;
    void SetImage(const QString& path);
    const QString& ImagePath() const { return mImage; }

  protected:
    void ShowText(const QString& resolved) override { setText(EscapeMnemonic(resolved)); }
    QString DisplayedText() const override { return text(); }
    void changeEvent(QEvent* event) override;
    virtual void HandleClick();

  private:
    QString mImage;
    int mDpi = 96;
};

// A button with a selected state, drawn with its own text and background colour per state.
// A click notifies "click"; the window decides what is selected, unless autoselect is on.
class SButton : public Button {
    Q_OBJECT
  public:
    explicit SButton(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;

    // Selecting one button of a group (same group name in the same window) clears the others.
    void SetSelected(bool selected);
    bool IsSelected() const { return mSelected; }
    const QString& Group() const { return mGroup; }
    void SetColors(const QColor& text, const QColor& selectedText, const QColor& background,
                   const QColor& selectedBackground);

  protected:
    void HandleClick() override;

  private:
    void ApplyColors();

    bool mSelected = false;
    bool mAutoSelect = false;
    QString mGroup;
    QColor mTextColor, mSelectedTextColor, mBackground, mSelectedBackground;
};

// A radio-style option. Options sharing a group name in one window form a radio group: the
// user's choice clears the others, each change notifies "selectchanged" (arg 1 selected,
// 0 cleared; the cleared ones first). Without a group it toggles like a check box.
class Option : public QRadioButton, public Control {
    Q_OBJECT
  public:
    explicit Option(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;

    void SetSelected(bool selected, NotifyMode mode = NotifyMode::Silent);
    bool IsSelected() const { return isChecked(); }
    const QString& Group() const { return mGroup; }
    void SetGroup(const QString& group) { mGroup = group; }

  protected:
    void ShowText(const QString& resolved) override { setText(EscapeMnemonic(resolved)); }
    QString DisplayedText() const override { return text(); }
    void nextCheckState() override;
    void changeEvent(QEvent* event) override;

  private:
    QList<Option*> ClearPeers();
    QString mGroup;
};

// "selectchanged" with arg 1 checked, 0 cleared.
class CheckBox : public QCheckBox, public Control {
    Q_OBJECT
  public:
    explicit CheckBox(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;

    void SetSelected(bool selected, NotifyMode mode = NotifyMode::Silent);
    bool IsSelected() const { return isChecked(); }

  protected:
    void ShowText(const QString& resolved) override { setText(EscapeMnemonic(resolved)); }
    QString DisplayedText() const override { return text(); }
    void nextCheckState() override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

// "movevaluechanged" while the handle is dragged, "valuechanged" when it is released (if the
// value moved) and for keyboard, wheel and page clicks; arg is the value.
class Slider : public QSlider, public Control {
    Q_OBJECT
  public:
    explicit Slider(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;

    void SetRange(int min, int max) { setRange(min, max); }
    int Min() const { return minimum(); }
    int Max() const { return maximum(); }
    // Clamped to the range. Notify sends "valuechanged" even when the value did not change.
    void SetValue(int value, NotifyMode mode = NotifyMode::Silent);
    int Value() const { return value(); }

  protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void OnValueChanged(int value);
    void OnPressed();
    void OnReleased();
    int mValueAtPress = 0;
};

// A one-line edit. Up/Down notify "valuechangedup"/"valuechangeddown"; Left with the cursor at
// the start and Right at the end notify "valuechangedleft"/"valuechangedright"; Enter
// notifies "return"; focus notifies "setfocus"/"killfocus". SetText never notifies.
class Edit : public QLineEdit, public Control {
    Q_OBJECT
  public:
    explicit Edit(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;
    void SetMaxChars(int count) { setMaxLength(count > 0 ? count : 32767); }
    // The field holds other text than the program last showed in it: something to commit.
    bool Edited() const { return text() != mShown; }

  protected:
    void ShowText(const QString& resolved) override;
    QString DisplayedText() const override { return text(); }
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void OnEdited(const QString& text);
    QString mShown;
};

// Items carry a raw text and a user data text. "itemselect" (arg = index) when the user picks
// an item other than the current one.
class Combo : public QComboBox, public Control {
    Q_OBJECT
  public:
    explicit Combo(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;
    void Retranslate() override;

    int AddItem(const QString& rawText, const QString& userData = QString());
    void RemoveAllItems() { clear(); }
    int ItemCount() const { return count(); }
    QString ItemText(int index) const { return itemText(index); }
    QString ItemRawText(int index) const;
    QString ItemUserData(int index) const;
    // The first item with that user data, or -1.
    int FindItem(const QString& userData) const;
    // A disabled item shows but cannot be chosen.
    void SetItemEnabled(int index, bool enabled);
    // A hidden item is left out of the list and cannot be reached by keys or the wheel.
    void SetItemVisible(int index, bool visible);
    bool IsItemVisible(int index) const;
    int CurSel() const { return currentIndex(); }
    // False for an index outside the items (-1 clears the selection).
    bool SelectItem(int index, NotifyMode mode = NotifyMode::Silent);

  protected:
    void showPopup() override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void OnActivated(int index);
    int mIndexBeforeUser = -1;
};

// Rows of cells. "itemselect" when the user selects another row, "itemclick" on a click and
// "itemactivate" on a double click or Enter; arg is the row.
class List : public QTreeWidget, public Control {
    Q_OBJECT
  public:
    explicit List(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;
    void Retranslate() override;
    void OnScale(int dpi) override;

    void SetColumns(const QStringList& rawTitles, const QList<int>& widths = {});
    int AddRow(const QStringList& rawCells, const QString& userData = QString());
    void RemoveAllRows();
    int RowCount() const { return topLevelItemCount(); }
    bool SetCellText(int row, int column, const QString& raw);
    QString CellText(int row, int column) const;
    QString RowUserData(int row) const;
    // An invalid colour gives the row back its normal background.
    bool SetRowBackground(int row, const QColor& color);
    // A disabled row is shown greyed and cannot be selected or activated.
    bool SetRowEnabled(int row, bool enabled);
    int CurSel() const;
    bool SelectRow(int row, NotifyMode mode = NotifyMode::Silent);

  protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void OnCurrentChanged();
    QStringList mRawColumns;
    QList<int> mColumnWidths;
    int mLastRow = -1;
};

class ProgressBar : public QProgressBar, public Control {
    Q_OBJECT
  public:
    explicit ProgressBar(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;

    void SetRange(int min, int max) { setRange(min, max); }
    void SetValue(int value) { setValue(value); }
    int Value() const { return value(); }
    // Colours from the layout for controls that paint themselves.
    const QColor& BackgroundColor() const { return mBackground; }
    const QColor& ForegroundColor() const { return mForeground; }

  protected:
    void changeEvent(QEvent* event) override;

  private:
    QColor mBackground, mForeground;
};

// A skin image stretched over the control. Drawn straight into the control, so a huge control
// never makes a huge scaled copy of the image.
class Image : public QWidget, public Control {
    Q_OBJECT
  public:
    explicit Image(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;

    void SetImage(const QString& path);
    const QString& ImagePath() const { return mImage; }
    const QPixmap& Pixmap() const { return mPixmap; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QString mImage;
    QPixmap mPixmap;
};

// A container; its children are placed relative to it. A title draws a titled frame.
class Group : public QGroupBox, public Control {
    Q_OBJECT
  public:
    explicit Group(QWidget* parent = nullptr);
    bool Configure(const LayoutNode& node, QString* error) override;
    QStringList KnownAttributes() const override;

  protected:
    void ShowText(const QString& resolved) override { setTitle(EscapeMnemonic(resolved)); }
    QString DisplayedText() const override { return title(); }
    void changeEvent(QEvent* event) override;
};

// A colour as the theme language writes it, alpha included.
QString CssColor(const QColor& c);

}  // namespace ui
