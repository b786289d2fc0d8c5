#include "windows/loading_wnd.h"

#include "windows/dialog_controls.h"

namespace dc = dialog_controls;

#include <QPainter>
#include <QPointF>
#include <QtMath>

#include <algorithm>

#include "shell/run_log.h"

namespace {

const QColor kDefaultIndicatorColor(0xf6, 0xce, 0x1d);  // the theme's accent

}  // namespace

CBusyIndicatorUI::CBusyIndicatorUI(QWidget* parent)
    : QWidget(parent), mColor(kDefaultIndicatorColor) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void CBusyIndicatorUI::Advance() {
    mPhase = (mPhase + 1) % kSpokes;
    update();
}

void CBusyIndicatorUI::SetColor(const QColor& color) {
    mColor = color.isValid() ? color : kDefaultIndicatorColor;
    update();
}

void CBusyIndicatorUI::paintEvent(QPaintEvent* event) {
    (void)event;
    const qreal radius = std::min(width(), height()) / 2.0;
    if (radius < 2) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() / 2.0, height() / 2.0);
    QPen pen;
    pen.setCapStyle(Qt::RoundCap);
    pen.setWidthF(std::max(1.5, radius * 0.17));
    const qreal inner = radius * 0.5;
    const qreal outer = radius - pen.widthF() / 2;
    for (int i = 0; i < kSpokes; ++i) {
        // The head spoke is solid; those behind it fade to a faint trace.
        const int behind = (mPhase - i + kSpokes) % kSpokes;
        QColor color = mColor;
        color.setAlphaF(std::max(0.15, 1.0 - behind * 0.85 / (kSpokes / 2.0)));
        pen.setColor(color);
        painter.setPen(pen);
        const qreal angle = 2 * M_PI * i / kSpokes - M_PI / 2;
        const QPointF direction(std::cos(angle), std::sin(angle));
        painter.drawLine(direction * inner, direction * outer);
    }
}

CLoadingWnd::CLoadingWnd(QWidget* owner)
    : CDialogWnd(owner, QStringLiteral("LoadingWnd"), QStringLiteral("loadingwnd")) {
    mEscapeCancels = false;
}

QWidget* CLoadingWnd::CreateCustomControl(const QString& tag, const ui::LayoutNode& node) {
    if (tag.compare(QLatin1String("BusyIndicator"), Qt::CaseInsensitive) != 0) {
        return nullptr;
    }
    QColor color;
    QString error;
    if (!node.ReadColor(QStringLiteral("forecolor"), &color, &error)) {
        // The builder only hears of null controls as unknown tags; a wrong colour is not worth
        // failing the window for.
        runlog::Log("%s\n", error.toUtf8().constData());
    }
    auto* indicator = new CBusyIndicatorUI();
    indicator->SetColor(color);
    return indicator;
}

void CLoadingWnd::Notify(const ui::Notification& n) {
    if (n.Is(ui::notify::kWindowInit)) {
        mText = Lookup<ui::Label>(QString::fromLatin1(dc::kMessageText));
        mIndicator = Lookup<CBusyIndicatorUI>(QString::fromLatin1(dc::kBusyIndicator));
    }
    CDialogWnd::Notify(n);
}

void CLoadingWnd::SetMessage(const QString& text) {
    SetTextIfGiven(mText, text);
}

void CLoadingWnd::OnTimer(int id) {
    if (id == kAnimationTimer && mIndicator) {
        mIndicator->Advance();
    }
}

// The animation runs only while someone can see it.
void CLoadingWnd::showEvent(QShowEvent* event) {
    CDialogWnd::showEvent(event);
    SetTimer(kAnimationTimer, kAnimationPeriodMs);
}

void CLoadingWnd::hideEvent(QHideEvent* event) {
    KillTimer(kAnimationTimer);
    CDialogWnd::hideEvent(event);
}
