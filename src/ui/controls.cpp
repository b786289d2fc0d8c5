#include "controls.h"

#include <QEvent>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QListView>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOption>
#include <QStyleOptionComboBox>

#include "resources.h"
#include "scaling.h"
#include "window.h"

namespace ui {

namespace {

constexpr int kRawTextRole = Qt::UserRole + 1;
constexpr int kUserDataRole = Qt::UserRole + 2;
constexpr int kMaxListColumns = 64;

void Repolish(QWidget* widget) {
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
    widget->update();
}

bool ReadSelected(const LayoutNode& node, bool* selected, QString* error) {
    return node.ReadBool(QStringLiteral("selected"), selected, error);
}

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

template <class T>
QList<T*> GroupPeers(QWidget* self, const QString& group) {
    QList<T*> peers;
    QWidget* scope = nullptr;
    if (Control* control = AsControl(self)) {
        scope = control->OwnerWindow();
    }
    if (!scope) {
        scope = self->window();
    }
    for (T* candidate : scope->findChildren<T*>()) {
        if (candidate != self && candidate->Group() == group) {
            peers.append(candidate);
        }
    }
    return peers;
}

}  // namespace

// ---- Control ----

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

// ---- Label ----

Label::Label(QWidget* parent) : QLabel(parent), Control(this) {
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QStringList Label::KnownAttributes() const {
    return {QStringLiteral("align"), QStringLiteral("valign"), QStringLiteral("wordwrap")};
}

bool Label::Configure(const LayoutNode& node, QString* error) {
    bool ok = true;
    setAlignment(ParseAlignment(node, alignment(), error, &ok));
    bool wrap = false;
    if (!ok || !node.ReadBool(QStringLiteral("wordwrap"), &wrap, error)) {
        return false;
    }
    setWordWrap(wrap);
    return true;
}

void Label::changeEvent(QEvent* event) {
    HandleChange(event);
    QLabel::changeEvent(event);
}

// ---- Button ----

Button::Button(QWidget* parent) : QPushButton(parent), Control(this) {
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QPushButton::clicked, this, [this] { HandleClick(); });
}

void Button::HandleClick() {
    SendNotify(notify::kClick);
}

QStringList Button::KnownAttributes() const {
    return {QStringLiteral("image")};
}

bool Button::Configure(const LayoutNode& node, QString* error) {
    (void)error;
    if (node.Has(QStringLiteral("image"))) {
        SetImage(node.Attr(QStringLiteral("image")));
    }
    return true;
}

void Button::SetImage(const QString& path) {
    mImage = path;
    OnScale(mDpi);
}

void Button::OnScale(int dpi) {
    mDpi = dpi;
    if (mImage.isEmpty()) {
        setIcon(QIcon());
        return;
    }
    const QPixmap pixmap = Resources::Instance().Pixmap(mImage);
    setIcon(pixmap.isNull() ? QIcon() : QIcon(pixmap));
    if (!pixmap.isNull()) {
        setIconSize(ScaleSize(pixmap.size(), dpi));
    }
}

void Button::changeEvent(QEvent* event) {
    HandleChange(event);
    QPushButton::changeEvent(event);
}

// ---- SButton ----

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

// ---- Option ----

Option::Option(QWidget* parent) : QRadioButton(parent), Control(this) {
    setAutoExclusive(false);
    setFocusPolicy(Qt::TabFocus);
}

QStringList Option::KnownAttributes() const {
    return {QStringLiteral("group"), QStringLiteral("selected")};
}

bool Option::Configure(const LayoutNode& node, QString* error) {
    bool selected = false;
    if (!ReadSelected(node, &selected, error)) {
        return false;
    }
    mGroup = node.Attr(QStringLiteral("group"));
    SetSelected(selected);
    return true;
}

QList<Option*> Option::ClearPeers() {
    QList<Option*> cleared;
    if (mGroup.isEmpty()) {
        return cleared;
    }
    for (Option* peer : GroupPeers<Option>(this, mGroup)) {
        if (peer->isChecked()) {
            peer->setChecked(false);
            cleared.append(peer);
        }
    }
    return cleared;
}

void Option::SetSelected(bool selected, NotifyMode mode) {
    QList<Option*> cleared;
    if (selected) {
        cleared = ClearPeers();
    }
    setChecked(selected);
    if (mode == NotifyMode::Notify) {
        for (const QPointer<Option> peer : cleared) {
            if (peer) {
                peer->SendNotify(notify::kSelectChanged, 0);
            }
        }
        SendNotify(notify::kSelectChanged, isChecked() ? 1 : 0);
    }
}

void Option::nextCheckState() {
    if (!mGroup.isEmpty() && isChecked()) {
        return;  // the chosen option of a group stays chosen
    }
    QPointer<Option> self(this);
    const QList<Option*> cleared = isChecked() ? QList<Option*>() : ClearPeers();
    setChecked(!isChecked());
    for (const QPointer<Option> peer : cleared) {
        if (peer) {
            peer->SendNotify(notify::kSelectChanged, 0);
        }
    }
    if (self) {
        SendNotify(notify::kSelectChanged, isChecked() ? 1 : 0);
    }
}

void Option::changeEvent(QEvent* event) {
    HandleChange(event);
    QRadioButton::changeEvent(event);
}

// ---- CheckBox ----

CheckBox::CheckBox(QWidget* parent) : QCheckBox(parent), Control(this) {
    setFocusPolicy(Qt::TabFocus);
}

QStringList CheckBox::KnownAttributes() const {
    return {QStringLiteral("selected")};
}

bool CheckBox::Configure(const LayoutNode& node, QString* error) {
    bool selected = false;
    if (!ReadSelected(node, &selected, error)) {
        return false;
    }
    setChecked(selected);
    return true;
}

void CheckBox::SetSelected(bool selected, NotifyMode mode) {
    setChecked(selected);
    if (mode == NotifyMode::Notify) {
        SendNotify(notify::kSelectChanged, selected ? 1 : 0);
    }
}

void CheckBox::nextCheckState() {
    setChecked(!isChecked());
    SendNotify(notify::kSelectChanged, isChecked() ? 1 : 0);
}

void CheckBox::paintEvent(QPaintEvent* event) {
    QCheckBox::paintEvent(event);
    if (!isChecked()) {
        return;
    }
    // The theme fills a checked box with the accent; a tick in the colour of text on the accent
    // (the selection text colour) makes the state unmistakable.
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRectF box = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    if (box.width() < 6) {
        return;
    }
    const qreal w = box.width();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::HighlightedText), std::max(1.5, w / 7),
                        Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygonF({box.topLeft() + QPointF(w * 0.25, w * 0.52),
                                    box.topLeft() + QPointF(w * 0.43, w * 0.70),
                                    box.topLeft() + QPointF(w * 0.76, w * 0.32)}));
}

void CheckBox::changeEvent(QEvent* event) {
    HandleChange(event);
    QCheckBox::changeEvent(event);
}

// ---- Slider ----

Slider::Slider(QWidget* parent) : QSlider(Qt::Horizontal, parent), Control(this) {
    setTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QSlider::valueChanged, this, [this](int v) { OnValueChanged(v); });
    connect(this, &QSlider::sliderPressed, this, [this] { OnPressed(); });
    connect(this, &QSlider::sliderReleased, this, [this] { OnReleased(); });
}

QStringList Slider::KnownAttributes() const {
    return {QStringLiteral("min"),  QStringLiteral("max"),      QStringLiteral("value"),
            QStringLiteral("step"), QStringLiteral("pagestep"), QStringLiteral("vertical")};
}

bool Slider::Configure(const LayoutNode& node, QString* error) {
    int min = 0;
    int max = 100;
    int value = 0;
    int step = 1;
    int page = 10;
    bool vertical = false;
    if (node.Has(QStringLiteral("pos"))) {
        QRect rect;
        node.ReadRect(QStringLiteral("pos"), &rect, nullptr);
        vertical = rect.height() > rect.width();
    }
    if (!node.ReadInt(QStringLiteral("min"), &min, error) ||
        !node.ReadInt(QStringLiteral("max"), &max, error) ||
        !node.ReadInt(QStringLiteral("value"), &value, error) ||
        !node.ReadInt(QStringLiteral("step"), &step, error) ||
        !node.ReadInt(QStringLiteral("pagestep"), &page, error) ||
        !node.ReadBool(QStringLiteral("vertical"), &vertical, error)) {
        return false;
    }
    if (min > max) {
        if (error) {
            *error =
                node.Where() + QStringLiteral("<Slider> min %1 is above max %2").arg(min).arg(max);
        }
        return false;
    }
    setOrientation(vertical ? Qt::Vertical : Qt::Horizontal);
    setRange(min, max);
    setSingleStep(std::max(1, step));
    setPageStep(std::max(1, page));
    setValue(value);
    return true;
}

void Slider::SetValue(int v, NotifyMode mode) {
    setValue(v);
    if (mode == NotifyMode::Notify) {
        SendNotify(notify::kValueChanged, value());
    }
}

bool Slider::event(QEvent* e) {
    // The repeat timer of a held page click belongs to the user's press.
    if (IsUserInputEvent(e) || e->type() == QEvent::Timer) {
        UserInput scope(this);
        return QSlider::event(e);
    }
    return QSlider::event(e);
}

void Slider::OnValueChanged(int v) {
    if (!FromUser()) {
        return;
    }
    SendNotify(isSliderDown() ? notify::kMoveValueChanged : notify::kValueChanged, v);
}

void Slider::OnPressed() {
    mValueAtPress = value();
}

void Slider::OnReleased() {
    if (FromUser() && value() != mValueAtPress) {
        SendNotify(notify::kValueChanged, value());
    }
}

void Slider::changeEvent(QEvent* event) {
    HandleChange(event);
    QSlider::changeEvent(event);
}

// ---- Edit ----

Edit::Edit(QWidget* parent) : QLineEdit(parent), Control(this) {
    connect(this, &QLineEdit::textEdited, this, [this](const QString& t) { OnEdited(t); });
}

QStringList Edit::KnownAttributes() const {
    return {QStringLiteral("maxchar"), QStringLiteral("readonly"), QStringLiteral("align")};
}

bool Edit::Configure(const LayoutNode& node, QString* error) {
    int maxChars = 0;
    bool readOnly = false;
    bool ok = true;
    const Qt::Alignment align = ParseAlignment(node, Qt::AlignLeft | Qt::AlignVCenter, error, &ok);
    if (!ok || !node.ReadInt(QStringLiteral("maxchar"), &maxChars, error) ||
        !node.ReadBool(QStringLiteral("readonly"), &readOnly, error)) {
        return false;
    }
    if (maxChars < 0) {
        if (error) {
            *error = node.Where() + QStringLiteral("maxchar must not be negative");
        }
        return false;
    }
    setAlignment(align);
    SetMaxChars(maxChars);
    setReadOnly(readOnly);
    return true;
}

void Edit::ShowText(const QString& resolved) {
    setText(resolved);
    mShown = resolved;
}

void Edit::OnEdited(const QString& text) {
    KeepRawText(text);
}

void Edit::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~(Qt::KeypadModifier)) == Qt::NoModifier;
    if (plain) {
        switch (event->key()) {
            case Qt::Key_Up:
                event->accept();
                SendNotify(notify::kValueChangedUp);
                return;
            case Qt::Key_Down:
                event->accept();
                SendNotify(notify::kValueChangedDown);
                return;
            case Qt::Key_Left:
                if (cursorPosition() == 0) {
                    event->accept();
                    SendNotify(notify::kValueChangedLeft);
                    return;
                }
                break;
            case Qt::Key_Right:
                if (cursorPosition() == text().size()) {
                    event->accept();
                    SendNotify(notify::kValueChangedRight);
                    return;
                }
                break;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                event->accept();
                SendNotify(notify::kReturn);
                return;
            default:
                break;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void Edit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // A menu closing, or the window becoming active again after a dialog, gives the focus
    // back; the user did not choose this field.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason) {
        SendNotify(notify::kSetFocus);
    }
}

void Edit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason) {
        SendNotify(notify::kKillFocus);
    }
}

void Edit::changeEvent(QEvent* event) {
    HandleChange(event);
    QLineEdit::changeEvent(event);
}

// ---- Combo ----

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

// ---- List ----

List::List(QWidget* parent) : QTreeWidget(parent), Control(this) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setHeaderHidden(true);
    setColumnCount(1);
    connect(this, &QTreeWidget::currentItemChanged, this, [this] { OnCurrentChanged(); });
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        SendNotify(notify::kItemClick, indexOfTopLevelItem(item));
    });
    connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        SendNotify(notify::kItemActivate, indexOfTopLevelItem(item));
    });
}

QStringList List::KnownAttributes() const {
    return {QStringLiteral("columns"), QStringLiteral("widths"), QStringLiteral("header")};
}

bool List::Configure(const LayoutNode& node, QString* error) {
    auto fail = [error](const QString& message) {
        if (error) {
            *error = message;
        }
        return false;
    };
    QStringList columns;
    if (node.Has(QStringLiteral("columns"))) {
        columns = node.Attr(QStringLiteral("columns")).split(QLatin1Char('|'));
    }
    if (columns.size() > kMaxListColumns) {
        return fail(node.Where() + QStringLiteral("more than %1 columns").arg(kMaxListColumns));
    }
    QList<int> widths;
    if (node.Has(QStringLiteral("widths"))) {
        for (const QString& part : node.Attr(QStringLiteral("widths")).split(QLatin1Char(','))) {
            bool ok = false;
            const int w = part.trimmed().toInt(&ok);
            if (!ok || w < 0 || w > kMaxCoordinate) {
                return fail(node.Where() + QStringLiteral("widths=\"%1\": expected integers")
                                               .arg(node.Attr(QStringLiteral("widths"))));
            }
            widths.append(w);
        }
    }
    bool header = !columns.isEmpty();
    if (!node.ReadBool(QStringLiteral("header"), &header, error)) {
        return false;
    }
    SetColumns(columns.isEmpty() ? QStringList{QString()} : columns, widths);
    setHeaderHidden(!header);
    for (const LayoutNode& row : node.children) {
        if (!row.TagIs("Row")) {
            return fail(row.Where() +
                        QStringLiteral("<List> holds only <Row>, not <%1>").arg(row.tag));
        }
        QStringList cells;
        if (row.Has(QStringLiteral("text"))) {
            cells.append(row.Attr(QStringLiteral("text")));
        }
        for (const LayoutNode& cell : row.children) {
            if (!cell.TagIs("Cell")) {
                return fail(cell.Where() +
                            QStringLiteral("<Row> holds only <Cell>, not <%1>").arg(cell.tag));
            }
            cells.append(cell.Attr(QStringLiteral("text")));
        }
        AddRow(cells, row.Attr(QStringLiteral("userdata")));
    }
    return true;
}

void List::SetColumns(const QStringList& rawTitles, const QList<int>& widths) {
    mRawColumns = rawTitles;
    mColumnWidths = widths;
    setColumnCount(std::max<int>(1, static_cast<int>(rawTitles.size())));
    QStringList shown;
    for (const QString& raw : rawTitles) {
        shown.append(ResolveText(raw));
    }
    setHeaderLabels(shown);
    OnScale(UiScaleDpi());
}

void List::OnScale(int dpi) {
    for (int i = 0; i < mColumnWidths.size() && i < columnCount(); ++i) {
        setColumnWidth(i, ScaleValue(mColumnWidths[i], dpi));
    }
}

int List::AddRow(const QStringList& rawCells, const QString& userData) {
    auto* item = new QTreeWidgetItem();
    for (int c = 0; c < rawCells.size(); ++c) {
        item->setText(c, ResolveText(rawCells[c]));
        item->setData(c, kRawTextRole, rawCells[c]);
    }
    item->setData(0, kUserDataRole, userData);
    addTopLevelItem(item);
    return indexOfTopLevelItem(item);
}

void List::RemoveAllRows() {
    clear();
    mLastRow = -1;
}

bool List::SetCellText(int row, int column, const QString& raw) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item || column < 0 || column >= std::max(columnCount(), 1)) {
        return false;
    }
    item->setText(column, ResolveText(raw));
    item->setData(column, kRawTextRole, raw);
    return true;
}

QString List::CellText(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(column) : QString();
}

QString List::RowUserData(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(0, kUserDataRole).toString() : QString();
}

bool List::SetRowBackground(int row, const QColor& color) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item) {
        return false;
    }
    // The text stays readable on a light row: dark on light, the theme's own otherwise.
    const bool light = color.isValid() && color.lightnessF() > 0.5;
    for (int c = 0; c < columnCount(); ++c) {
        item->setBackground(c, color.isValid() ? QBrush(color) : QBrush());
        item->setForeground(c, light ? QBrush(QColor(0x16, 0x19, 0x1d)) : QBrush());
    }
    return true;
}

bool List::SetRowEnabled(int row, bool enabled) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item) {
        return false;
    }
    item->setFlags(enabled ? item->flags() | Qt::ItemIsEnabled | Qt::ItemIsSelectable
                           : item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
    if (!enabled && item->isSelected()) {
        clearSelection();
    }
    return true;
}

int List::CurSel() const {
    QTreeWidgetItem* item = currentItem();
    return item && item->isSelected() ? indexOfTopLevelItem(item) : -1;
}

bool List::SelectRow(int row, NotifyMode mode) {
    if (row < -1 || row >= RowCount()) {
        return false;
    }
    if (row < 0) {
        setCurrentItem(nullptr);
        clearSelection();
    } else {
        setCurrentItem(topLevelItem(row));
    }
    mLastRow = row;
    if (mode == NotifyMode::Notify) {
        SendNotify(notify::kItemSelect, row);
    }
    return true;
}

void List::OnCurrentChanged() {
    const int row = currentItem() ? indexOfTopLevelItem(currentItem()) : -1;
    if (row == mLastRow) {
        return;
    }
    mLastRow = row;
    if (FromUser()) {
        SendNotify(notify::kItemSelect, row);
    }
}

bool List::event(QEvent* e) {
    if (IsUserInputEvent(e)) {
        UserInput scope(this);
        return QTreeWidget::event(e);
    }
    return QTreeWidget::event(e);
}

bool List::viewportEvent(QEvent* e) {
    if (IsUserInputEvent(e)) {
        UserInput scope(this);
        return QTreeWidget::viewportEvent(e);
    }
    return QTreeWidget::viewportEvent(e);
}

void List::Retranslate() {
    Control::Retranslate();
    QStringList shown;
    for (const QString& raw : mRawColumns) {
        shown.append(ResolveText(raw));
    }
    setHeaderLabels(shown);
    for (int r = 0; r < topLevelItemCount(); ++r) {
        QTreeWidgetItem* item = topLevelItem(r);
        for (int c = 0; c < columnCount(); ++c) {
            const QVariant raw = item->data(c, kRawTextRole);
            if (raw.isValid()) {
                item->setText(c, ResolveText(raw.toString()));
            }
        }
    }
}

void List::changeEvent(QEvent* event) {
    HandleChange(event);
    QTreeWidget::changeEvent(event);
}

// ---- ProgressBar ----

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent), Control(this) {
    setTextVisible(false);
    setRange(0, 100);
    setValue(0);
}

QStringList ProgressBar::KnownAttributes() const {
    return {QStringLiteral("min"), QStringLiteral("max"), QStringLiteral("value"),
            QStringLiteral("showtext"), QStringLiteral("forecolor")};
}

bool ProgressBar::Configure(const LayoutNode& node, QString* error) {
    int min = 0;
    int max = 100;
    int value = 0;
    bool showText = false;
    if (!node.ReadInt(QStringLiteral("min"), &min, error) ||
        !node.ReadInt(QStringLiteral("max"), &max, error) ||
        !node.ReadInt(QStringLiteral("value"), &value, error) ||
        !node.ReadBool(QStringLiteral("showtext"), &showText, error) ||
        !node.ReadColor(QStringLiteral("bkcolor"), &mBackground, error) ||
        !node.ReadColor(QStringLiteral("forecolor"), &mForeground, error)) {
        return false;
    }
    if (min > max) {
        if (error) {
            *error = node.Where() +
                     QStringLiteral("<Progress> min %1 is above max %2").arg(min).arg(max);
        }
        return false;
    }
    setRange(min, max);
    setValue(value);
    setTextVisible(showText);
    QString sheet;
    if (mBackground.isValid()) {
        sheet += QStringLiteral("QProgressBar{background-color:%1;}").arg(CssColor(mBackground));
    }
    if (mForeground.isValid()) {
        sheet +=
            QStringLiteral("QProgressBar::chunk{background-color:%1;}").arg(CssColor(mForeground));
    }
    if (!sheet.isEmpty()) {
        setStyleSheet(sheet);
    }
    return true;
}

void ProgressBar::changeEvent(QEvent* event) {
    HandleChange(event);
    QProgressBar::changeEvent(event);
}

// ---- Image ----

Image::Image(QWidget* parent) : QWidget(parent), Control(this) {}

QStringList Image::KnownAttributes() const {
    return {QStringLiteral("image")};
}

bool Image::Configure(const LayoutNode& node, QString* error) {
    (void)error;
    if (node.Has(QStringLiteral("image"))) {
        SetImage(node.Attr(QStringLiteral("image")));
    }
    return true;
}

void Image::SetImage(const QString& path) {
    mImage = path;
    mPixmap = path.isEmpty() ? QPixmap() : Resources::Instance().Pixmap(path);
    update();
}

void Image::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    if (!mPixmap.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(rect(), mPixmap);
    }
}

void Image::changeEvent(QEvent* event) {
    HandleChange(event);
    QWidget::changeEvent(event);
}

// ---- Group ----

Group::Group(QWidget* parent) : QGroupBox(parent), Control(this) {}

QStringList Group::KnownAttributes() const {
    return {QStringLiteral("title"), QStringLiteral("frame")};
}

bool Group::Configure(const LayoutNode& node, QString* error) {
    bool frame = node.Has(QStringLiteral("title"));
    if (!node.ReadBool(QStringLiteral("frame"), &frame, error)) {
        return false;
    }
    if (node.Has(QStringLiteral("title"))) {
        SetText(node.Attr(QStringLiteral("title")));
    }
    setFlat(!frame);
    setProperty("frame", frame);
    return true;
}

void Group::changeEvent(QEvent* event) {
    HandleChange(event);
    QGroupBox::changeEvent(event);
}

QString CssColor(const QColor& c) {
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(c.red())
        .arg(c.green())
        .arg(c.blue())
        .arg(c.alpha());
}

}  // namespace ui
