#include "ui/window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QTimerEvent>
#include <QWindow>

#include "shell/run_log.h"
#include "ui/builder.h"
#include "ui/controls.h"
#include "ui/menu.h"
#include "ui/resources.h"
#include "ui/scaling.h"

namespace ui {

namespace {

class MessageEvent : public QEvent {
  public:
    MessageEvent(uint32_t message, uint32_t wParam, int32_t value,
                 std::unique_ptr<dsplink::ReplyRecord> record)
        : QEvent(Type()),
          message(message),
          wParam(wParam),
          value(value),
          record(std::move(record)) {}

    static QEvent::Type Type() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    uint32_t message;
    uint32_t wParam;
    int32_t value;
    // Owned here so a message that is never handled still frees its record.
    std::unique_ptr<dsplink::ReplyRecord> record;
};

QList<Window*>& Registry() {
    static QList<Window*> windows;
    return windows;
}

bool SetError(QString* error, const QString& message) {
    if (error) {
        *error = message;
    }
    return false;
}

}  // namespace

void WindowMailbox::Post(uint32_t message, uint32_t wParam, int32_t value,
                         std::unique_ptr<dsplink::ReplyRecord> record) {
    // Held across postEvent so the window cannot be destroyed in between; Qt then drops (and
    // deletes) the events still queued for it.
    std::lock_guard lock(mMutex);
    if (mWindow) {
        QCoreApplication::postEvent(mWindow,
                                    new MessageEvent(message, wParam, value, std::move(record)));
    }
}

Window::Window(QWidget* owner)
    : QWidget(owner, owner ? Qt::Dialog : Qt::Window),
      mOwner(owner),
      mMailbox(std::make_shared<WindowMailbox>()) {
    mMailbox->mWindow = this;
    mDpi = UiScaleDpi();
    Registry().append(this);
}

Window::~Window() {
    mNotifyBlocked = true;
    {
        std::lock_guard lock(mMailbox->mMutex);
        mMailbox->mWindow = nullptr;
    }
    if (mLoop) {
        mLoop->exit(0);
    }
    Registry().removeAll(this);
}

bool Window::Create(const QString& layout, QString* error) {
    if (mCreated) {
        return SetError(error, QStringLiteral("window already created"));
    }
    QString problem;
    bool ok = false;
    if (std::optional<LayoutNode> root = LoadLayout(layout, &problem)) {
        if (!root->TagIs("Window")) {
            problem = root->Where() + QStringLiteral(
                                          "a window layout's root must be <Window>, "
                                          "not <%1>")
                                          .arg(root->tag);
        } else if (ApplyWindowAttributes(*root, &problem)) {
            ok = LayoutBuilder(this).BuildChildren(*root, this, &problem);
        }
    }
    if (!ok) {
        mLayoutError = problem;
        runlog::Log("layout %s: %s\n", layout.toUtf8().constData(), problem.toUtf8().constData());
        SetError(error, problem);
    }
    ApplyScale();
    mCreated = true;
    Notification init;
    init.type = QLatin1String(notify::kWindowInit);
    init.sender = objectName();
    init.control = this;
    Dispatch(init);
    return ok;
}

bool Window::ApplyWindowAttributes(const LayoutNode& root, QString* error) {
    QSize size;
    bool frameless = false;
    if (!root.ReadSize(QStringLiteral("size"), &size, error) ||
        !root.ReadBool(QStringLiteral("resizable"), &mResizable, error) ||
        !root.ReadBool(QStringLiteral("frameless"), &frameless, error) ||
        !root.ReadInt(QStringLiteral("captionheight"), &mCaptionHeight, error) ||
        !root.ReadColor(QStringLiteral("bkcolor"), &mBackgroundColor, error)) {
        return false;
    }
    if (!root.Has(QStringLiteral("size")) || size.isEmpty()) {
        return SetError(error, root.Where() + QStringLiteral("<Window> needs size=\"w,h\""));
    }
    if (size.width() > kMaxWindowSize || size.height() > kMaxWindowSize) {
        return SetError(error, root.Where() + QStringLiteral("<Window> size %1,%2 is above %3")
                                                  .arg(size.width())
                                                  .arg(size.height())
                                                  .arg(kMaxWindowSize));
    }
    static const QStringList known = {
        QStringLiteral("size"),         QStringLiteral("caption"),   QStringLiteral("background"),
        QStringLiteral("bkcolor"),      QStringLiteral("wndclass"),  QStringLiteral("name"),
        QStringLiteral("class"),        QStringLiteral("resizable"), QStringLiteral("frameless"),
        QStringLiteral("captionheight")};
    for (const auto& attr : root.attributes) {
        if (!known.contains(attr.first, Qt::CaseInsensitive)) {
            runlog::Log("layout: %s<Window> has unknown attribute \"%s\"\n",
                        root.Where().toUtf8().constData(), attr.first.toUtf8().constData());
        }
    }
    mLayoutSize = size;
    if (mClassName.isEmpty()) {
        mClassName = root.Attr(QStringLiteral("wndclass"));
    }
    if (objectName().isEmpty()) {
        setObjectName(root.Attr(QStringLiteral("name")));
    }
    if (root.Has(QStringLiteral("class"))) {
        setProperty("class", root.Attr(QStringLiteral("class")));
    }
    mBackground = root.Attr(QStringLiteral("background"));
    if (root.Has(QStringLiteral("caption"))) {
        SetCaption(root.Attr(QStringLiteral("caption")));
    }
    if (frameless) {
        setWindowFlag(Qt::FramelessWindowHint, true);
    }
    return true;
}

bool Window::LoadLayoutInto(QWidget* container, const QString& layout, QString* error) {
    if (!container || (container != this && !isAncestorOf(container))) {
        return SetError(
            error,
            QStringLiteral("layout %1: the container is not part of this window").arg(layout));
    }
    QString problem;
    std::optional<LayoutNode> root = LoadLayout(layout, &problem);
    if (root && !root->TagIs("Layout")) {
        problem = root->Where() +
                  QStringLiteral("a sub-layout's root must be <Layout>, not <%1>").arg(root->tag);
        root.reset();
    }
    if (!root) {
        runlog::Log("layout %s: %s\n", layout.toUtf8().constData(), problem.toUtf8().constData());
        return SetError(error, problem);
    }
    // Take the old content out of the window at once (so lookups no longer see it) but delete
    // it later: one of its controls may be the sender of the notification being handled.
    const QList<QWidget*> old = container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* widget : old) {
        if (widget->property(kRectProperty).isValid()) {
            widget->hide();
            widget->setParent(nullptr);
            widget->deleteLater();
        }
    }
    mFound.clear();
    if (!LayoutBuilder(this).BuildChildren(*root, container, &problem)) {
        runlog::Log("layout %s: %s\n", layout.toUtf8().constData(), problem.toUtf8().constData());
        return SetError(error, problem);
    }
    for (QWidget* widget : container->findChildren<QWidget*>()) {
        ApplyScaleTo(widget);
    }
    return true;
}

QWidget* Window::FindWidget(const QString& name) const {
    if (name.isEmpty()) {
        return nullptr;
    }
    const auto it = mFound.constFind(name);
    if (it != mFound.constEnd() && *it && (*it)->objectName() == name && isAncestorOf(*it)) {
        return *it;
    }
    QWidget* found = findChild<QWidget*>(name);
    if (found) {
        mFound.insert(name, found);
    }
    return found;
}

void Window::SetCaption(const QString& raw) {
    mRawCaption = raw;
    setWindowTitle(ResolveText(raw));
    mShownCaption = windowTitle();
}

int Window::ShowModal() {
    if (mLoop) {
        return -1;
    }
    mResult = 0;
    if (isVisible()) {
        hide();
    }
    setWindowModality(mOwner ? Qt::WindowModal : Qt::ApplicationModal);
    CenterOnOwner();
    show();
    CenterOnOwner();  // again, now that the frame is known
    raise();
    activateWindow();
    QEventLoop loop;
    mLoop = &loop;
    QPointer<Window> alive(this);
    const int result = loop.exec(QEventLoop::DialogExec);
    if (alive) {
        mLoop = nullptr;
        if (isVisible()) {
            hide();
        }
        setWindowModality(Qt::NonModal);
    }
    return result;
}

void Window::Show() {
    const bool wasVisible = isVisible();
    if (!wasVisible) {
        setWindowModality(Qt::NonModal);
        CenterOnOwner();
    }
    show();
    if (!wasVisible) {
        CenterOnOwner();
    }
    raise();
    activateWindow();
}

void Window::Close(int result) {
    mResult = result;
    mClosingFromCode = true;
    QPointer<Window> alive(this);
    const bool closed = close();
    if (!alive) {
        return;
    }
    mClosingFromCode = false;
    if (closed && mLoop) {
        mLoop->exit(result);
    }
}

void Window::CenterOnOwner() {
    QRect area;
    if (mOwner) {
        area = mOwner->window()->frameGeometry();
    } else if (QScreen* s = screen()) {
        area = s->availableGeometry();
    }
    if (!area.isValid()) {
        return;
    }
    QRect frame = frameGeometry();
    frame.moveCenter(area.center());
    move(frame.topLeft());
}

void Window::closeEvent(QCloseEvent* event) {
    if (!mClosingFromCode) {
        mResult = 0;  // closed by the window manager: same as "closebtn"
    }
    QWidget::closeEvent(event);
    if (event->isAccepted() && mLoop) {
        mLoop->exit(mResult);
    }
}

void Window::PostMessage(uint32_t message, uint32_t wParam, int32_t value,
                         std::unique_ptr<dsplink::ReplyRecord> record) {
    mMailbox->Post(message, wParam, value, std::move(record));
}

void Window::SetTimer(int id, int periodMs) {
    KillTimer(id);
    const int qtId = startTimer(std::max(1, periodMs));
    if (qtId == 0) {
        runlog::Log("window %s: timer %d could not start\n", objectName().toUtf8().constData(), id);
        return;
    }
    mTimers.insert(id, qtId);
    mQtTimers.insert(qtId, id);
}

void Window::KillTimer(int id) {
    const auto it = mTimers.find(id);
    if (it == mTimers.end()) {
        return;
    }
    killTimer(*it);
    mQtTimers.remove(*it);
    mTimers.erase(it);
}

void Window::timerEvent(QTimerEvent* event) {
    const auto it = mQtTimers.constFind(event->timerId());
    if (it == mQtTimers.constEnd()) {
        QWidget::timerEvent(event);
        return;
    }
    OnTimer(*it);
}

void Window::OnTimer(int id) {
    (void)id;
}

void Window::OnMessage(uint32_t message, uint32_t wParam, int32_t value,
                       std::unique_ptr<dsplink::ReplyRecord> record) {
    (void)message;
    (void)wParam;
    (void)value;
    (void)record;
}

QWidget* Window::CreateCustomControl(const QString& tag, const LayoutNode& node) {
    (void)tag;
    (void)node;
    return nullptr;
}

bool Window::event(QEvent* event) {
    if (event->type() == MessageEvent::Type()) {
        auto* message = static_cast<MessageEvent*>(event);
        OnMessage(message->message, message->wParam, message->value, std::move(message->record));
        return true;
    }
    if (event->type() == ScaleChangeEventType()) {
        SetDpi(UiScaleDpi());
        return true;
    }
    return QWidget::event(event);
}

void Window::SetDpi(int dpi) {
    mDpi = ClampDpi(dpi);
    // Windows embedded as pages share this window's scale; their controls are laid out here.
    for (Window* page : findChildren<Window*>()) {
        if (!page->isWindow()) {
            page->mDpi = mDpi;
        }
    }
    ApplyScale();
}

int Window::Scale(int value) const {
    return ScaleValue(value, mDpi);
}

void Window::SetControlRect(QWidget* control, const QRect& layoutRect) {
    control->setProperty(kRectProperty, layoutRect);
    control->setGeometry(ScaleRect(layoutRect, mDpi));
}

QRect Window::ControlRect(const QWidget* control) const {
    return control->property(kRectProperty).toRect();
}

void Window::SetLayoutSize(const QSize& layoutSize) {
    mLayoutSize = layoutSize;
    ApplyScale();
}

void Window::ApplyScale() {
    if (mLayoutSize.isValid() && !mLayoutSize.isEmpty()) {
        const QSize size = ScaleSize(mLayoutSize, mDpi);
        if (mResizable) {
            setMinimumSize(0, 0);
            setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            resize(size);
        } else {
            setFixedSize(size);
        }
    }
    for (QWidget* widget : findChildren<QWidget*>()) {
        ApplyScaleTo(widget);
    }
    update();
}

void Window::ApplyScaleTo(QWidget* widget) {
    const QVariant rect = widget->property(kRectProperty);
    if (!rect.isValid()) {
        return;
    }
    widget->setGeometry(ScaleRect(rect.toRect(), mDpi));
    const QVariant size = widget->property(kFontSizeProperty);
    const bool bold = widget->property(kBoldProperty).toBool();
    if (size.isValid() || bold) {
        // Only what the layout set, so the rest still comes from the theme.
        QFont font;
        if (size.isValid()) {
            font.setPixelSize(std::max(1, ScaleValue(size.toInt(), mDpi)));
        }
        if (bold) {
            font.setBold(true);
        }
        widget->setFont(font);
    }
    if (Control* control = AsControl(widget)) {
        control->OnScale(mDpi);
    }
}

void Window::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (mCreated) {
        Notification n;
        n.type = QLatin1String(notify::kWindowSize);
        n.sender = objectName();
        n.control = this;
        Dispatch(n);
    }
}

void Window::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        Retranslate();
    }
    QWidget::changeEvent(event);
}

void Window::Retranslate() {
    if (!mRawCaption.isEmpty()) {
        if (windowTitle() == mShownCaption) {
            SetCaption(mRawCaption);
        } else {
            mRawCaption.clear();  // set with setWindowTitle since: leave it
        }
    }
    // Controls retranslate themselves; plain custom widgets only have their tooltip from us.
    for (QWidget* widget : findChildren<QWidget*>()) {
        const QVariant tip = widget->property(kToolTipProperty);
        if (tip.isValid() && !AsControl(widget)) {
            widget->setToolTip(ResolveText(tip.toString()));
        }
    }
}

void Window::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    if (mBackgroundColor.isValid()) {
        painter.fillRect(rect(), mBackgroundColor);
    }
    if (!mBackground.isEmpty()) {
        const QPixmap pixmap = Resources::Instance().Pixmap(mBackground);
        if (!pixmap.isNull()) {
            painter.drawPixmap(rect(), pixmap);
        }
    }
}

void Window::mousePressEvent(QMouseEvent* event) {
    const bool inCaption = windowFlags().testFlag(Qt::FramelessWindowHint) &&
                           event->button() == Qt::LeftButton &&
                           event->position().y() < Scale(mCaptionHeight);
    if (!inCaption) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (windowHandle() && windowHandle()->startSystemMove()) {
        return;
    }
    mDragging = true;
    mDragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void Window::mouseMoveEvent(QMouseEvent* event) {
    if (mDragging) {
        move(event->globalPosition().toPoint() - mDragOffset);
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void Window::mouseReleaseEvent(QMouseEvent* event) {
    mDragging = false;
    QWidget::mouseReleaseEvent(event);
}

void Window::Dispatch(const Notification& notification) {
    if (mNotifyBlocked) {
        return;
    }
    Notify(notification);
}

void Window::Notify(const Notification& n) {
    if (!n.Is(notify::kClick)) {
        return;
    }
    if (n.sender == QLatin1String("closebtn")) {
        Close(0);
    } else if (n.sender == QLatin1String("minbtn")) {
        showMinimized();
    } else if (n.sender == QLatin1String("maxbtn")) {
        showMaximized();
    } else if (n.sender == QLatin1String("restorebtn")) {
        showNormal();
    } else if (IsPopup() || IsModalRunning()) {
        if (n.sender == QLatin1String("confirm_btn")) {
            Close(1);
        } else if (n.sender == QLatin1String("cancel_btn")) {
            Close(0);
        } else if (n.sender == QLatin1String("third_btn")) {
            Close(2);
        }
    }
}

Menu* Window::CreateMenu(const QString& layout, QString* error) {
    if (mMenu) {
        mMenu->close();
        mMenu->deleteLater();
        mMenu = nullptr;
    }
    mMenu = Menu::Create(this, layout, error);
    return mMenu;
}

QList<Window*> Window::AllWindows() {
    return Registry();
}

QList<Window*> Window::FindWindows(const QString& className) {
    QList<Window*> found;
    for (Window* window : Registry()) {
        if (window->ClassName() == className) {
            found.append(window);
        }
    }
    return found;
}

int Window::CloseAllPopups(int result) {
    QList<QPointer<Window>> popups;
    for (Window* window : Registry()) {
        if (window->IsPopup() && (window->isVisible() || window->IsModalRunning())) {
            popups.append(window);
        }
    }
    int closed = 0;
    for (const QPointer<Window>& popup : popups) {
        if (popup) {
            popup->Close(result);
            ++closed;
        }
    }
    return closed;
}

}  // namespace ui
