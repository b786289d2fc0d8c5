#pragma once
// A window built from a named layout. Subclasses find their controls by name, hear their
// notifications through Notify, receive posted messages and timer ticks, and create the custom
// controls their layouts name. README.md beside this file is the guide.

#include <QHash>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <mutex>

#include "link/reply_target.h"
#include "ui/layout.h"
#include "ui/menu.h"
#include "ui/notification.h"

class QEventLoop;

namespace ui {

class Window;

// The thread-safe door to a window for posted messages; outlives the window, after which
// posts are dropped (their records freed).
class WindowMailbox {
  public:
    void Post(uint32_t message, uint32_t wParam, int32_t value,
              std::unique_ptr<dsplink::ReplyRecord> record);

  private:
    friend class Window;
    std::mutex mMutex;
    Window* mWindow = nullptr;
};

class Window : public QWidget {
    Q_OBJECT
  public:
    // With an owner the window is a popup: a dialog over the owner, centred on it, closed by
    // the standard buttons. Without one it is a top-level window.
    explicit Window(QWidget* owner = nullptr);
    ~Window() override;

    // Builds the layout (res.xml name such as "XML_MSG", or a path), sizes the window, then
    // notifies "windowinit". A layout that fails leaves the window empty (the error is logged
    // and kept in LayoutError()), and "windowinit" still comes, so the subclass sees null
    // controls rather than a half-built window. Call once, after construction.
    bool Create(const QString& layout, QString* error = nullptr);
    const QString& LayoutError() const { return mLayoutError; }
    bool IsCreated() const { return mCreated; }

    // Builds a layout whose root is <Layout> into a container of this window (or the window
    // itself), replacing what an earlier call put there.
    bool LoadLayoutInto(QWidget* container, const QString& layout, QString* error = nullptr);

    // A control by name and kind; nullptr when there is none or it is of another kind. Names
    // are unique per window by convention; with duplicates one of them is returned.
    template <class T>
    T* FindControl(const QString& name) const {
        return dynamic_cast<T*>(FindWidget(name));
    }
    QWidget* FindWidget(const QString& name) const;

    // Identity, from the layout's wndclass and name attributes unless set from code.
    const QString& ClassName() const { return mClassName; }
    void SetClassName(const QString& name) { mClassName = name; }
    QString WindowName() const { return objectName(); }
    void SetWindowName(const QString& name) { setObjectName(name); }

    // The caption, kept raw and resolved again on language changes.
    void SetCaption(const QString& raw);
    const QString& RawCaption() const { return mRawCaption; }

    QWidget* Owner() const { return mOwner; }
    bool IsPopup() const { return mOwner != nullptr; }

    // Runs the window modally (owner blocked, or every window without an owner) in a nested
    // event loop until Close; returns the result. Posted messages and timers keep running.
    int ShowModal();
    bool IsModalRunning() const { return mLoop != nullptr; }
    // Shows the window without blocking; Close hides it.
    void Show();
    // Ends the window with a result: leaves ShowModal and closes (hides) the window. A window
    // with Qt::WA_DeleteOnClose is deleted later.
    void Close(int result = 0);
    int Result() const { return mResult; }
    void CenterOnOwner();

    // Thread-safe. Delivered on the UI thread to OnMessage; the record is freed after the
    // handler, or with the event when the window is gone first.
    void PostMessage(uint32_t message, uint32_t wParam, int32_t value,
                     std::unique_ptr<dsplink::ReplyRecord> record = {});
    std::shared_ptr<WindowMailbox> Mailbox() const { return mMailbox; }

    // Window timers by id; setting a running id restarts it with the new period.
    void SetTimer(int id, int periodMs);
    void KillTimer(int id);
    bool HasTimer(int id) const { return mTimers.contains(id); }

    // The DPI this window lays itself out at; it follows the process-wide UiScaleDpi.
    int Dpi() const { return mDpi; }
    void SetDpi(int dpi);
    int Scale(int value) const;
    // Positions in layout units (96 DPI); code that moves or resizes controls goes through
    // these so the next scale change keeps them.
    void SetControlRect(QWidget* control, const QRect& layoutRect);
    QRect ControlRect(const QWidget* control) const;
    void SetLayoutSize(const QSize& layoutSize);
    QSize LayoutSize() const { return mLayoutSize; }

    // Builds a popup menu from a menu layout; its items notify this window with "itemclick".
    // The window keeps one menu: creating another destroys the previous one.
    Menu* CreateMenu(const QString& layout, QString* error = nullptr);
    Menu* CurrentMenu() const { return mMenu; }

    // Hands a notification to Notify; controls call this. Dropped once the window is being
    // destroyed.
    void Dispatch(const Notification& notification);

    // Every live ui::Window, in creation order.
    static QList<Window*> AllWindows();
    static QList<Window*> FindWindows(const QString& className);
    // Closes every open popup of this process with the result (for shutdown); returns how many.
    static int CloseAllPopups(int result = 0);

    // Receives every notification of this window's controls. The default closes on the
    // standard buttons: "closebtn" (0) always, and in popups "confirm_btn" (1), "cancel_btn"
    // (0), "third_btn" (2); "minbtn" minimises. Subclasses handle what they need and pass the
    // rest on to Window::Notify.
    virtual void Notify(const Notification& notification);

  protected:
    // Creates a control for a layout tag the toolkit does not know ("Curve", ...). Return
    // nullptr for tags you do not know either; the layout then fails with file and line. The
    // builder applies the common attributes (name, pos, visible, ...) afterwards.
    virtual QWidget* CreateCustomControl(const QString& tag, const LayoutNode& node);
    virtual void OnMessage(uint32_t message, uint32_t wParam, int32_t value,
                           std::unique_ptr<dsplink::ReplyRecord> record);
    virtual void OnTimer(int id);

    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    friend class LayoutBuilder;
    bool ApplyWindowAttributes(const LayoutNode& root, QString* error);
    void ApplyScale();
    void ApplyScaleTo(QWidget* widget);
    void Retranslate();

    QPointer<QWidget> mOwner;
    std::shared_ptr<WindowMailbox> mMailbox;
    QString mClassName;
    QString mRawCaption;
    QString mShownCaption;
    QString mLayoutError;
    QString mBackground;
    QColor mBackgroundColor;
    QSize mLayoutSize;
    bool mResizable = false;
    int mCaptionHeight = 0;
    QPoint mDragOffset;
    bool mDragging = false;
    bool mCreated = false;
    bool mNotifyBlocked = false;
    bool mClosingFromCode = false;
    int mDpi = 96;
    int mResult = 0;
    QEventLoop* mLoop = nullptr;
    QHash<int, int> mTimers;    // our id -> Qt timer id
    QHash<int, int> mQtTimers;  // Qt timer id -> our id
    mutable QHash<QString, QPointer<QWidget>> mFound;
    QPointer<Menu> mMenu;
};

}  // namespace ui
