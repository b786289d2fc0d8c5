#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QTest>

#include <cmath>
#include <functional>
#include <limits>
#include <span>
#include <vector>

#include "controls/ui_equalizer.h"
#include "ui/layout.h"
#include "ui/resources.h"
#include "ui/window.h"

#if defined(__SANITIZE_ADDRESS__)
// fontconfig keeps caches it never frees; only that library is excused, never our code.
extern "C" __attribute__((used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
#endif

namespace {

using eqgraph::Plot;

void EnsureApp() {
    if (QCoreApplication::instance()) {
        return;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "controls_ui_equalizer_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

// ---- the mapping alone ----

TEST(EqualizerGeometry, AxisEndsAndKnownPoints) {
    for (const Plot p : {Plot{0, 0, 640, 200}, Plot{10, 20, 650, 220}, Plot{5, 7, 1285, 407}}) {
        EXPECT_EQ(eqgraph::XOfFreq(p, 20), p.left);
        EXPECT_EQ(eqgraph::XOfFreq(p, 20000), p.right);
        // 1 kHz sits log10(50)/3 of the way across.
        const int x1k = p.left + static_cast<int>(p.Width() * std::log10(50.0) / 3.0);
        EXPECT_EQ(eqgraph::XOfFreq(p, 1000), x1k);
        EXPECT_EQ(eqgraph::FreqOfX(p, p.left), 20);
        EXPECT_EQ(eqgraph::FreqOfX(p, p.right), 20000);
        EXPECT_EQ(eqgraph::YOfGain(p, 12.0), p.top);
        EXPECT_EQ(eqgraph::YOfGain(p, -18.0), p.bottom);
        const int y0 = p.top + p.Height() * 12 / 30;
        EXPECT_EQ(eqgraph::YOfGain(p, 0.0), y0);
        EXPECT_FLOAT_EQ(eqgraph::GainOfY(p, p.top), 12.0f);
        EXPECT_FLOAT_EQ(eqgraph::GainOfY(p, p.bottom), -18.0f);
        EXPECT_FLOAT_EQ(eqgraph::GainOfY(p, y0), 0.0f);
    }
    EXPECT_EQ(eqgraph::XOfFreq(Plot{0, 0, 640, 200}, 1000), 362);
    // Half way up the upper part is +6 dB, half way down the lower part -9 dB.
    EXPECT_EQ(eqgraph::YOfGain(Plot{0, 0, 640, 200}, 6.0), 40);
    EXPECT_EQ(eqgraph::YOfGain(Plot{0, 0, 640, 200}, -9.0), 140);
}

TEST(EqualizerGeometry, RoundTripsStayWithinAPixel) {
    const Plot p{10, 20, 650, 220};
    const double pixelDecades = 3.0 / p.Width();
    for (double f = 20; f <= 20000; f *= 1.07) {
        const int back = eqgraph::FreqOfX(p, eqgraph::XOfFreq(p, f));
        EXPECT_LE(std::fabs(std::log10(back) - std::log10(f)), pixelDecades + 0.011) << f;
    }
    for (int x = p.left; x <= p.right; ++x) {
        const int f = eqgraph::FreqOfX(p, x);
        ASSERT_GE(f, 20);
        ASSERT_LE(f, 20000);
        EXPECT_LE(eqgraph::FreqOfX(p, x), eqgraph::FreqOfX(p, std::min(x + 1, p.right)));
    }
    for (double g = -18.0; g <= 12.0; g += 0.25) {
        const float back = eqgraph::GainOfY(p, eqgraph::YOfGain(p, g));
        EXPECT_NEAR(back, g, 30.0 / p.Height() + 1e-4) << g;
    }
    for (int y = p.top; y <= p.bottom; ++y) {
        EXPECT_EQ(eqgraph::YOfGain(p, eqgraph::GainOfY(p, y)), y) << y;
    }
}

TEST(EqualizerGeometry, HostileValuesStayDefined) {
    const Plot p{0, 0, 640, 200};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(eqgraph::XOfFreq(p, nan), p.left);
    EXPECT_LT(eqgraph::XOfFreq(p, 0.0), p.left);
    EXPECT_LE(eqgraph::XOfFreq(p, -5.0), p.left);
    EXPECT_GT(eqgraph::XOfFreq(p, inf), p.right);
    EXPECT_EQ(eqgraph::YOfGain(p, nan), 80);
    EXPECT_LT(eqgraph::YOfGain(p, inf), p.top);
    EXPECT_GT(eqgraph::YOfGain(p, -inf), p.bottom);
    const Plot empty{3, 3, 3, 3};
    EXPECT_EQ(eqgraph::FreqOfX(empty, 100), 20);
    EXPECT_EQ(eqgraph::GainOfY(empty, -50), 0.0f);
    EXPECT_GT(eqgraph::FreqOfX(p, 1 << 30), 0);
    EXPECT_EQ(eqgraph::FreqOfX(p, -(1 << 30)), 0);
}

TEST(EqualizerGeometry, QFollowsTheDragDistance) {
    EXPECT_FLOAT_EQ(eqgraph::QOfDistance(81, 100), 1.0f);
    EXPECT_FLOAT_EQ(eqgraph::QOfDistance(-81, 100), 1.0f);
    EXPECT_FLOAT_EQ(eqgraph::QOfDistance(9, 100), 9.0f);
    EXPECT_FLOAT_EQ(eqgraph::QOfDistance(3, 100), 9.0f);
    EXPECT_FLOAT_EQ(eqgraph::QOfDistance(0, 100), 9.0f);
    EXPECT_FLOAT_EQ(eqgraph::QOfDistance(162, 100), 0.5f);
    EXPECT_FLOAT_EQ(eqgraph::QOfDistance(500, 100), 0.5f);
    EXPECT_NEAR(eqgraph::QOfDistance(10, 100), 8.1f, 1e-5);
    // At 200 % the same Q needs twice the distance.
    EXPECT_FLOAT_EQ(eqgraph::QOfDistance(162, 200), 1.0f);
    EXPECT_FLOAT_EQ(eqgraph::QOfDistance(324, 200), 0.5f);
    EXPECT_NEAR(eqgraph::QOfDistance(20, 200), 8.1f, 1e-5);
}

TEST(EqualizerGeometry, RectanglesHugTheEdges) {
    const Plot p{10, 20, 650, 220};
    const QRect left = eqgraph::MarkerRect(p, p.left + 3, 100, 100);
    EXPECT_EQ(left, QRect(p.left, 92, 16, 16));
    EXPECT_EQ(eqgraph::MarkerRect(p, p.right - 3, p.bottom - 2, 100),
              QRect(p.right - 16, p.bottom - 16, 16, 16));
    EXPECT_EQ(eqgraph::MarkerRect(p, 300, 100, 100), QRect(292, 92, 16, 16));
    EXPECT_EQ(eqgraph::ValueLabelRect(p, p.left + 3, 100, true, 100).left(), p.left);
    EXPECT_EQ(eqgraph::ValueLabelRect(p, p.right - 60, 100, true, 100).right() + 1, p.right);
    EXPECT_EQ(eqgraph::ValueLabelRect(p, 300, 100, false, 100), QRect(275, 114, 50, 15));
    // Vertical placement: below, near the top, near the bottom, above.
    EXPECT_EQ(eqgraph::ValueLabelRect(p, 300, p.top + 5, false, 100).top(), p.top + 22);
    EXPECT_EQ(eqgraph::ValueLabelRect(p, 300, p.bottom - 10, false, 100).top(), p.bottom - 37);
    EXPECT_EQ(eqgraph::ValueLabelRect(p, 300, p.bottom - 20, false, 100).top(), p.bottom - 49);

    QRect ql, qr;
    eqgraph::QHandleRects(p, 300, 100, 1.0f, 100, &ql, &qr);
    EXPECT_EQ(ql, QRect(300 - 81 - 4, 104, 8, 8));
    EXPECT_EQ(qr, QRect(300 + 81 - 4, 104, 8, 8));
    eqgraph::QHandleRects(p, 300, 100, 100.0f, 100, &ql, &qr);  // clamped to 9
    EXPECT_EQ(qr.center().x() - ql.center().x(), 18);

    const QRect hp = eqgraph::HpHandleRect(p, 1000, 100);
    EXPECT_EQ(hp, QRect(eqgraph::XOfFreq(p, 1000) - 7, eqgraph::YOfGain(p, -8), 14, 10));
    const QRect lp = eqgraph::LpHandleRect(p, 20000, 100);
    EXPECT_EQ(lp, QRect(p.right - 14, eqgraph::YOfGain(p, -11), 14, 12));
    EXPECT_TRUE(eqgraph::HpHandleRect(p, 19, 100).isEmpty());
    EXPECT_TRUE(eqgraph::LpHandleRect(p, 20001, 100).isEmpty());
}

// ---- the control with real mouse events ----

struct Heard {
    QString type;
    int arg;
    QString userData;
    bool operator==(const Heard&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Heard& h) {
    return os << h.type.toStdString() << "/" << h.arg << "/" << h.userData.toStdString();
}

class Host : public ui::Window {
  public:
    void Notify(const ui::Notification& n) override {
        EXPECT_EQ(n.sender, "equalizer");
        heard.push_back({n.type, n.arg, n.userData});
        if (hook) {
            hook(n);
        }
    }
    std::vector<Heard> Take() { return std::exchange(heard, {}); }
    std::vector<Heard> heard;
    std::function<void(const ui::Notification&)> hook;
};

std::vector<EqPoint> ThreePoints() {
    return {{0.0f, 1.0f, 100, 1}, {3.0f, 1.0f, 1000, 1}, {-6.0f, 2.0f, 5000, 1}};
}

// A flat response at `db` over the whole audible range (and a little past it).
std::vector<double> Grid() {
    std::vector<double> f(UIEqualizer::kCurvePoints);
    for (size_t i = 0; i < f.size(); ++i) {
        f[i] = 10.0 * std::pow(2200.0, static_cast<double>(i) / (f.size() - 1));
    }
    return f;
}

// Pixels of exactly that colour, in `area` or the whole image.
int CountColor(const QImage& image, QRgb color, QRect area = {}) {
    area = area.isEmpty() ? image.rect() : area & image.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            n += image.pixel(x, y) == color ? 1 : 0;
        }
    }
    return n;
}

QRect RectOf(const Plot& p) {
    return {p.left, p.top, p.Width(), p.Height()};
}

class EqualizerControl : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApp();
        ui::Resources::Instance().Reset();
        host = std::make_unique<Host>();
        host->SetLayoutSize(QSize(700, 300));
        graph = new UIEqualizer(host.get());
        graph->setObjectName("equalizer");
        host->SetControlRect(graph, {10, 10, 640, 200});
        host->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
        const std::vector<EqPoint> points = ThreePoints();
        graph->SetPoints(points, -1);
        graph->SetCrossover(100, 1000);
    }
    QImage Render() {
        QImage image(graph->size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        graph->render(&image);
        return image;
    }
    QPoint At(int freq, double gain) const {
        const Plot p = graph->PlotArea();
        return {eqgraph::XOfFreq(p, freq), eqgraph::YOfGain(p, gain)};
    }
    std::unique_ptr<Host> host;
    UIEqualizer* graph = nullptr;
};

TEST_F(EqualizerControl, PointDragFollowsTheMappingAndNotifies) {
    graph->SetDragAllDirection(true);
    const Plot p = graph->PlotArea();
    EXPECT_TRUE(graph->rect().contains(RectOf(p)));
    EXPECT_GE(p.Width(), 560);
    QTest::mousePress(graph, Qt::LeftButton, {}, graph->MarkerRect(1).center());
    EXPECT_EQ(graph->CaptureState(), UIEqualizer::Capture::Index);
    EXPECT_EQ(graph->SelectedPoint(), 1);
    EXPECT_EQ(graph->UserData(), "1");
    EXPECT_TRUE(host->Take().empty());  // a press selects silently

    const QPoint target(400, 50);
    QTest::mouseMove(graph, target);
    EXPECT_EQ(graph->Point(1).freq, eqgraph::FreqOfX(p, target.x()));
    EXPECT_FLOAT_EQ(graph->Point(1).gain, eqgraph::GainOfY(p, target.y()));
    EXPECT_EQ(host->Take(), (std::vector<Heard>{{"equalizer_eq", 1, "1"}}));
    QTest::mouseMove(graph, target);  // nothing changed, nothing said
    EXPECT_TRUE(host->Take().empty());

    // Past the plot the point pins at 20 Hz / +12 dB and 20 kHz / -18 dB.
    QTest::mouseMove(graph, QPoint(-100, -100));
    EXPECT_EQ(graph->Point(1).freq, 20);
    EXPECT_FLOAT_EQ(graph->Point(1).gain, 12.0f);
    QTest::mouseMove(graph, QPoint(2000, 2000));
    EXPECT_EQ(graph->Point(1).freq, 20000);
    EXPECT_FLOAT_EQ(graph->Point(1).gain, -18.0f);
    QTest::mouseRelease(graph, Qt::LeftButton, {}, QPoint(2000, 2000));
    EXPECT_EQ(host->Take(), (std::vector<Heard>{{"equalizer_eq", 1, "1"},
                                                {"equalizer_eq", 1, "1"},
                                                {"equalizer_eq_release", 1, "1"}}));
    EXPECT_EQ(graph->CaptureState(), UIEqualizer::Capture::None);
    EXPECT_EQ(graph->SelectedPoint(), 1);  // the selection outlives the drag
    // The others did not move.
    EXPECT_EQ(graph->Point(0).freq, 100);
    EXPECT_EQ(graph->Point(2).freq, 5000);
}

TEST_F(EqualizerControl, GainOnlyModeKeepsFrequencyAndHasNoQHandles) {
    graph->SetDragAllDirection(false);
    graph->SetPoints(ThreePoints(), 1);
    EXPECT_TRUE(graph->QHandleRect(false).isEmpty());
    EXPECT_TRUE(graph->QHandleRect(true).isEmpty());
    const QPoint start = graph->MarkerRect(1).center();
    QTest::mousePress(graph, Qt::LeftButton, {}, start);
    QTest::mouseMove(graph, QPoint(start.x() - 200, graph->PointPixel(1).y()));
    EXPECT_TRUE(host->Take().empty());  // sideways and same gain: no change
    QTest::mouseMove(graph, QPoint(start.x() + 150, 150));
    EXPECT_EQ(graph->Point(1).freq, 1000);
    EXPECT_FLOAT_EQ(graph->Point(1).gain, eqgraph::GainOfY(graph->PlotArea(), 150));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, QPoint(start.x() + 150, 150));
    EXPECT_EQ(host->Take(),
              (std::vector<Heard>{{"equalizer_eq", 1, "1"}, {"equalizer_eq_release", 1, "1"}}));

    // Where a Q handle would be in PEQ mode, a press captures nothing.
    graph->SetPoints(ThreePoints(), 1);
    const QPoint q = graph->PointPixel(1) + QPoint(81, 8);
    QTest::mousePress(graph, Qt::LeftButton, {}, q);
    EXPECT_EQ(graph->CaptureState(), UIEqualizer::Capture::None);
    QTest::mouseRelease(graph, Qt::LeftButton, {}, q);
    EXPECT_TRUE(host->Take().empty());
}

TEST_F(EqualizerControl, QDragDistances) {
    graph->SetDragAllDirection(true);
    graph->SetPoints(ThreePoints(), 1);
    const int x = graph->PointPixel(1).x();
    const QRect right = graph->QHandleRect(true);
    ASSERT_FALSE(right.isEmpty());
    EXPECT_EQ(right.center().x() - x, 81 - 1);  // Q 1.0 puts the handle 81 px away
    QTest::mousePress(graph, Qt::LeftButton, {}, right.center());
    ASSERT_EQ(graph->CaptureState(), UIEqualizer::Capture::Factor);
    const int y = right.center().y();
    struct Step {
        int dx;
        float q;
        bool notifies;
    };
    for (const Step& step : {Step{81, 1.0f, false}, Step{9, 9.0f, true}, Step{2, 9.0f, false},
                             Step{162, 0.5f, true}, Step{250, 0.5f, false}, Step{-81, 1.0f, true},
                             Step{-80, 81.0f / 80, true}, Step{-40, 81.0f / 40, true}}) {
        QTest::mouseMove(graph, QPoint(x + step.dx, y));
        EXPECT_NEAR(graph->Point(1).q, step.q, 1e-5) << step.dx;
        EXPECT_EQ(host->Take().size(), step.notifies ? 1u : 0u) << step.dx;
    }
    // The gain and frequency are untouched by a Q drag.
    EXPECT_EQ(graph->Point(1).freq, 1000);
    EXPECT_FLOAT_EQ(graph->Point(1).gain, 3.0f);
    QTest::mouseRelease(graph, Qt::LeftButton, {}, QPoint(x + 162, y));
    EXPECT_FLOAT_EQ(graph->Point(1).q, 0.5f);
    EXPECT_EQ(host->Take(), (std::vector<Heard>{{"equalizer_eq_release", 1, "1"}}));
}

TEST_F(EqualizerControl, CrossoverHandlesCannotCross) {
    const Plot p = graph->PlotArea();
    QTest::mousePress(graph, Qt::LeftButton, {}, graph->HpHandleRect().center());
    ASSERT_EQ(graph->CaptureState(), UIEqualizer::Capture::Hp);
    EXPECT_EQ(graph->SelectedPoint(), -1);
    const int y = graph->HpHandleRect().center().y();
    QTest::mouseMove(graph, QPoint(eqgraph::XOfFreq(p, 500), y));
    EXPECT_EQ(graph->HpFreq(), eqgraph::FreqOfX(p, eqgraph::XOfFreq(p, 500)));
    const int hp = graph->HpFreq();
    QTest::mouseMove(graph, QPoint(eqgraph::XOfFreq(p, 1100), y));
    QTest::mouseMove(graph, QPoint(eqgraph::XOfFreq(p, 4000), y));
    EXPECT_EQ(graph->HpFreq(), hp);
    QTest::mouseRelease(graph, Qt::LeftButton, {}, QPoint(eqgraph::XOfFreq(p, 4000), y));
    EXPECT_EQ(graph->HpFreq(), hp);
    EXPECT_EQ(graph->LpFreq(), 1000);
    EXPECT_EQ(host->Take(),
              (std::vector<Heard>{{"equalizer_hp", 0, ""}, {"equalizer_hp_release", 0, ""}}));

    const int ly = graph->LpHandleRect().center().y();
    QTest::mousePress(graph, Qt::LeftButton, {}, graph->LpHandleRect().center());
    ASSERT_EQ(graph->CaptureState(), UIEqualizer::Capture::Lp);
    QTest::mouseMove(graph, QPoint(eqgraph::XOfFreq(p, 50), ly));
    EXPECT_EQ(graph->LpFreq(), 1000);
    QTest::mouseMove(graph, QPoint(5000, ly));  // pinned at the right edge
    EXPECT_EQ(graph->LpFreq(), 20000);
    QTest::mouseRelease(graph, Qt::LeftButton, {}, QPoint(0, ly));
    EXPECT_EQ(graph->LpFreq(), 20000);
    EXPECT_EQ(host->Take(),
              (std::vector<Heard>{{"equalizer_lp", 0, ""}, {"equalizer_lp_release", 0, ""}}));
}

TEST_F(EqualizerControl, HiddenHandles) {
    graph->SetCrossover(100, 0);
    EXPECT_EQ(graph->HpFreq(), 100);
    EXPECT_EQ(graph->LpFreq(), -1);
    EXPECT_TRUE(graph->LpHandleRect().isEmpty());
    // With the low-pass hidden the high-pass moves freely.
    const int y = graph->HpHandleRect().center().y();
    QTest::mousePress(graph, Qt::LeftButton, {}, graph->HpHandleRect().center());
    QTest::mouseRelease(graph, Qt::LeftButton, {}, QPoint(600, y));
    EXPECT_EQ(graph->HpFreq(), eqgraph::FreqOfX(graph->PlotArea(), 600));
    graph->SetCrossover(0, 1000);
    EXPECT_EQ(graph->HpFreq(), -1);
    EXPECT_TRUE(graph->HpHandleRect().isEmpty());
    EXPECT_EQ(graph->LpFreq(), 1000);
    graph->SetCrossover(19, 20001);
    EXPECT_EQ(graph->HpFreq(), -1);
    EXPECT_EQ(graph->LpFreq(), -1);
    host->Take();
    QTest::mouseClick(graph, Qt::LeftButton, {}, At(1000, -11) + QPoint(0, 3));
    EXPECT_TRUE(host->Take().empty());
}

TEST_F(EqualizerControl, HoverSelectsOnceAndModelReentryIsSafe) {
    QTest::mouseMove(graph, graph->MarkerRect(2).center());
    QTest::mouseMove(graph, graph->MarkerRect(2).center() + QPoint(1, 1));
    EXPECT_EQ(host->Take(), (std::vector<Heard>{{"equalizer_eq", 2, "2"}}));
    EXPECT_EQ(graph->SelectedPoint(), 2);

    // The model answers a drag by pushing a shorter list: the dragged point is gone.
    host->hook = [&](const ui::Notification&) {
        const std::vector<EqPoint> one = {{0.0f, 1.0f, 100, 1}};
        graph->SetPoints(one, 0);
    };
    QTest::mousePress(graph, Qt::LeftButton, {}, graph->MarkerRect(2).center());
    QTest::mouseMove(graph, QPoint(300, 30));
    QTest::mouseMove(graph, QPoint(320, 60));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, QPoint(320, 60));
    EXPECT_EQ(host->Take(), (std::vector<Heard>{{"equalizer_eq", 2, "2"}}));
    EXPECT_EQ(graph->PointCount(), 1);
    EXPECT_EQ(graph->CaptureState(), UIEqualizer::Capture::None);
}

TEST_F(EqualizerControl, UntrustedInputIsClamped) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<EqPoint> many(40, EqPoint{nan, nan, -7, 1});
    graph->SetPoints(many, 35);
    EXPECT_EQ(graph->PointCount(), UIEqualizer::kMaxPoints);
    EXPECT_EQ(graph->SelectedPoint(), -1);
    EXPECT_EQ(graph->Point(3).gain, 0.0f);
    EXPECT_TRUE(std::isfinite(graph->Point(3).q));
    EXPECT_EQ(graph->Point(31).freq, EqPoint{}.freq);
    EXPECT_EQ(graph->Point(-1).freq, EqPoint{}.freq);
    graph->SetPoints(many, 30);
    EXPECT_EQ(graph->SelectedPoint(), 30);
    Render();
    EXPECT_TRUE(graph->BypassTextShown());  // NaN gains count as flat
}

TEST_F(EqualizerControl, PaintsCurvesAndBypassText) {
    const std::vector<double> grid = Grid();
    std::vector<std::vector<double>> db(UIEqualizer::kMaxCurves);
    std::vector<UIEqualizer::CurveView> curves;
    for (int i = 0; i < UIEqualizer::kMaxCurves; ++i) {
        db[i].assign(UIEqualizer::kCurvePoints, i == 0 ? 6.0 : -9.0);
        curves.push_back({grid, db[i]});
    }
    db[5][100] = std::numeric_limits<double>::quiet_NaN();
    db[5][101] = std::numeric_limits<double>::infinity();
    std::vector<int> visible(UIEqualizer::kMaxCurves, 0);
    graph->SetCurves(curves, 0, visible);
    graph->SetPoints({}, -1);
    QImage image = Render();
    EXPECT_TRUE(graph->BypassTextShown());
    EXPECT_GT(CountColor(image, 0xFF00C000), 500);  // the current curve along +6 dB
    // Hidden others; the axis labels' anti-aliased edges may take any grey.
    EXPECT_EQ(CountColor(image, 0xFF646464, RectOf(graph->PlotArea())), 0);

    visible.assign(UIEqualizer::kMaxCurves, 1);
    graph->SetCurves(curves, 0, visible);
    std::vector<EqPoint> all(31, EqPoint{1.5f, 2.0f, 1000, 1});
    for (int i = 0; i < 31; ++i) {
        all[i].freq = 20 * (i + 1) * (i + 1);
    }
    graph->SetPoints(all, 30);
    const QImage busy = Render();
    EXPECT_FALSE(graph->BypassTextShown());
    EXPECT_GT(CountColor(busy, 0xFF646464), 500);  // the others at -9 dB

    // The flat text shows where nothing else differs: compare with and without it.
    std::vector<EqPoint> flat = {{0.0f, 1.0f, 20, 1}};
    graph->SetPoints(flat, -1);
    graph->SetCurves(curves, 0, std::vector<int>(UIEqualizer::kMaxCurves, 0));
    const QImage withText = Render();
    flat[0].gain = 0.05f;
    graph->SetPoints(flat, -1);
    const QImage withoutText = Render();
    int differing = 0;
    for (int y = 100; y < withText.height(); ++y) {
        for (int x = 40; x < withText.width(); ++x) {
            differing += withText.pixel(x, y) != withoutText.pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(differing, 20);

    // A curve colour from the layout replaces the default.
    ui::LayoutNode node;
    node.tag = "Curve";
    node.attributes = {{"curvecolor", "#FF1020F0 #FF30F040"}};
    QString error;
    std::unique_ptr<UIEqualizer> styled(UIEqualizer::FromLayout(node, &error));
    ASSERT_TRUE(styled) << error.toStdString();
    styled->resize(640, 200);
    styled->SetCurves(curves, 0, visible);
    QImage own(styled->size(), QImage::Format_ARGB32);
    styled->render(&own);
    EXPECT_GT(CountColor(own, 0xFF1020F0), 500);
    EXPECT_EQ(CountColor(own, 0xFF00C000), 0);
    node.attributes = {{"curvecolor", "#FF1020F0 #nothex"}};
    EXPECT_EQ(UIEqualizer::FromLayout(node, &error), nullptr);
    EXPECT_TRUE(error.contains("curvecolor"));
}

TEST_F(EqualizerControl, DegenerateSizesPaintNothing) {
    graph->setGeometry(10, 10, 0, 0);
    QPaintEvent event(QRect(0, 0, 1, 1));
    QApplication::sendEvent(graph, &event);
    EXPECT_FALSE(graph->BypassTextShown());
    graph->setGeometry(10, 10, 2, 2);
    QImage tiny(2, 2, QImage::Format_ARGB32);
    graph->render(&tiny);
    QTest::mouseMove(graph, QPoint(1, 1));
    QTest::mouseClick(graph, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_LE(graph->PointCount(), 3);
}

TEST_F(EqualizerControl, DoubleDpiDoublesTheGeometry) {
    graph->SetDragAllDirection(true);
    graph->SetPoints(ThreePoints(), 1);
    const QPoint px = graph->PointPixel(1);
    const QRect hp = graph->HpHandleRect();
    const QRect label = graph->ValueLabelRect();
    host->SetDpi(192);
    EXPECT_EQ(graph->size(), QSize(1280, 400));
    EXPECT_EQ(graph->ScalePercent(), 200);
    EXPECT_NEAR(graph->PointPixel(1).x(), 2 * px.x(), 1);
    EXPECT_EQ(graph->PointPixel(1).y(), 2 * px.y());
    EXPECT_EQ(graph->MarkerRect(1).size(), QSize(32, 32));
    EXPECT_EQ(graph->HpHandleRect().size(), 2 * hp.size());
    EXPECT_EQ(graph->ValueLabelRect().size(), 2 * label.size());
    EXPECT_EQ(graph->QHandleRect(true).center().x() - graph->PointPixel(1).x(), 2 * 81 - 1);
    // A Q drag needs twice the distance now.
    const QRect right = graph->QHandleRect(true);
    QTest::mousePress(graph, Qt::LeftButton, {}, right.center());
    QTest::mouseRelease(graph, Qt::LeftButton, {}, QPoint(graph->PointPixel(1).x() + 162, 300));
    EXPECT_FLOAT_EQ(graph->Point(1).q, 1.0f);
}

// ---- axis labels, readout, band numbers, sum and traces ----

bool PairwiseDisjoint(const std::vector<QRect>& rects) {
    for (size_t a = 0; a < rects.size(); ++a) {
        for (size_t b = a + 1; b < rects.size(); ++b) {
            if (rects[a].intersects(rects[b])) {
                return false;
            }
        }
    }
    return true;
}

std::vector<QRect> LabelRects(std::span<const UIEqualizer::AxisLabel> labels) {
    std::vector<QRect> rects;
    for (const UIEqualizer::AxisLabel& l : labels) {
        rects.push_back(l.rect);
    }
    return rects;
}

TEST_F(EqualizerControl, AxisLabelsNameTheGridAndStayClear) {
    const QStringList names = {"20", "50", "100", "200", "500", "1k", "2k", "5k", "10k", "20k"};
    int height100 = 0;
    for (int dpi : {96, 192}) {
        SCOPED_TRACE(dpi);
        host->SetDpi(dpi);
        const Plot p = graph->PlotArea();
        const auto freqs = graph->FreqLabels();
        ASSERT_EQ(freqs.size(), 10u);
        for (size_t i = 0; i < freqs.size(); ++i) {
            const QRect r = freqs[i].rect;
            ASSERT_FALSE(r.isEmpty()) << i;
            EXPECT_EQ(freqs[i].text, names[static_cast<qsizetype>(i)]);
            EXPECT_TRUE(graph->rect().contains(r)) << i;
            EXPECT_GE(r.top(), p.bottom) << "under the plot";
            EXPECT_NEAR(r.center().x(), eqgraph::XOfFreq(p, freqs[i].value), 1) << i;
            if (i > 0) {
                EXPECT_GT(r.left(), freqs[i - 1].rect.right()) << i;
            }
        }
        const auto dbs = graph->DbLabels();
        ASSERT_EQ(dbs.size(), eqgraph::kAxisDbs.size());
        for (const UIEqualizer::AxisLabel& l : dbs) {
            ASSERT_FALSE(l.rect.isEmpty()) << l.value;
            EXPECT_TRUE(graph->rect().contains(l.rect)) << l.value;
            EXPECT_LT(l.rect.right(), p.left) << "left of the plot";
            EXPECT_NEAR(l.rect.center().y(), eqgraph::YOfGain(p, l.value), 1) << l.value;
        }
        EXPECT_TRUE(PairwiseDisjoint(LabelRects(dbs)));
        // Clear of every handle and point, which all stay inside the plot.
        std::vector<QRect> all = LabelRects(freqs);
        const std::vector<QRect> left = LabelRects(dbs);
        all.insert(all.end(), left.begin(), left.end());
        for (const QRect& r : all) {
            EXPECT_FALSE(r.intersects(graph->HpHandleRect()));
            EXPECT_FALSE(r.intersects(graph->LpHandleRect()));
            for (int i = 0; i < graph->PointCount(); ++i) {
                EXPECT_FALSE(r.intersects(graph->MarkerRect(i))) << i;
            }
        }
        if (dpi == 96) {
            height100 = freqs[0].rect.height();
        } else {
            EXPECT_GE(freqs[0].rect.height(), 2 * height100 - 2) << "scaled with the UI";
        }
    }
}

TEST_F(EqualizerControl, ReadoutShowsTheCurrentCurveUnderTheMouse) {
    const std::vector<double> grid = Grid();
    std::vector<double> tilt(grid.size());
    std::vector<double> other(grid.size(), 9.0);
    for (size_t i = 0; i < grid.size(); ++i) {
        tilt[i] = 10.0 * std::log10(grid[i] / 1000.0);  // straight over log frequency
    }
    const std::vector<UIEqualizer::CurveView> curves = {{grid, other}, {grid, tilt}};
    graph->SetCurves(curves, 1, std::vector<int>{1, 1});
    host->Take();
    const Plot p = graph->PlotArea();
    // Below the points and the crossover handles.
    const QPoint at(eqgraph::XOfFreq(p, 1250) + 1, eqgraph::YOfGain(p, -15));
    QTest::mouseMove(graph, at);
    ASSERT_TRUE(graph->ReadoutShown());
    EXPECT_NEAR(graph->ReadoutFreq(), 1250.0, 1250.0 * 0.02);
    ASSERT_TRUE(graph->ReadoutLevel());
    EXPECT_NEAR(*graph->ReadoutLevel(), 10.0 * std::log10(graph->ReadoutFreq() / 1000.0), 1e-9);
    EXPECT_TRUE(RectOf(p).contains(graph->ReadoutRect()));
    EXPECT_FALSE(graph->ReadoutRect().contains(at));

    // A flat curve reads its level, in the readout's own words.
    const std::vector<double> flat(grid.size(), -3.4);
    const std::vector<UIEqualizer::CurveView> flatCurves = {{grid, other}, {grid, flat}};
    graph->SetCurves(flatCurves, 1, std::vector<int>{1, 1});
    EXPECT_EQ(graph->ReadoutText(),
              QStringLiteral("%1 kHz  \u22123.4 dB").arg(graph->ReadoutFreq() / 1000.0, 0, 'f', 2));
    EXPECT_TRUE(host->Take().empty()) << "hovering sends nothing";

    // Over a point the value label speaks instead; leaving hides the readout.
    QTest::mouseMove(graph, at + QPoint(5, 0));
    EXPECT_TRUE(graph->ReadoutShown());
    QTest::mouseMove(graph, graph->MarkerRect(2).center());
    EXPECT_FALSE(graph->ReadoutShown());
    QTest::mouseMove(graph, at);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(graph, &leave);
    EXPECT_FALSE(graph->ReadoutShown());
}

TEST_F(EqualizerControl, BandNumbersNeverPileUp) {
    graph->SetDragAllDirection(true);
    std::vector<EqPoint> points;
    for (int i = 0; i < 8; ++i) {
        points.push_back({0.0f, 1.0f, 1000, 1});  // one place
    }
    for (int f : {1010, 1030, 1060, 1100}) {
        points.push_back({0.5f, 1.0f, f, 1});  // a few pixels apart
    }
    for (int i = 0; i < 5; ++i) {
        points.push_back({12.0f, 1.0f, 20, 1});  // the top left corner
    }
    for (int i = 0; i < 5; ++i) {
        points.push_back({-18.0f, 1.0f, 20000, 1});  // the bottom right corner
    }
    points.push_back({3.0f, 1.0f, 200, 1});
    graph->SetPoints(points, -1);
    const int n = graph->PointCount();
    std::vector<QRect> numbers;
    for (int i = 0; i < n; ++i) {
        numbers.push_back(graph->NumberRect(i));
        EXPECT_TRUE(graph->rect().contains(numbers.back())) << i;
        EXPECT_FALSE(numbers.back().isEmpty()) << i;
    }
    EXPECT_TRUE(PairwiseDisjoint(numbers));
    // A point alone keeps its number on it; hit tests still go by the markers.
    EXPECT_TRUE(graph->NumberRect(n - 1).contains(graph->PointPixel(n - 1)));
    const Plot p = graph->PlotArea();
    for (int i = 0; i < n; ++i) {
        const QPoint px = graph->PointPixel(i);
        EXPECT_EQ(graph->MarkerRect(i), eqgraph::MarkerRect(p, px.x(), px.y(), 100)) << i;
    }
    QTest::mouseMove(graph, graph->MarkerRect(n - 1).center());
    EXPECT_EQ(graph->SelectedPoint(), n - 1);
    // The same points, the same places.
    graph->SetPoints(points, -1);
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(graph->NumberRect(i), numbers[static_cast<size_t>(i)]) << i;
    }
}

TEST_F(EqualizerControl, SumAddsTheShownCurvesInPhase) {
    const std::vector<double> grid = Grid();
    std::vector<double> shifted = grid;
    shifted[7] *= 1.01;
    const std::vector<double> zero(grid.size(), 0.0);
    const std::vector<double> loud(grid.size(), 20.0);
    // Current, shown, hidden, shown on another grid.
    const std::vector<UIEqualizer::CurveView> curves = {
        {grid, zero}, {grid, zero}, {grid, loud}, {shifted, loud}};
    graph->SetCurves(curves, 0, std::vector<int>{0, 1, 0, 1});
    EXPECT_TRUE(graph->SumCurve().db.empty()) << "off until asked for";
    const QImage without = Render();
    graph->SetShowSum(true);
    const UIEqualizer::CurveView sum = graph->SumCurve();
    ASSERT_EQ(sum.db.size(), grid.size());
    for (size_t k = 0; k < sum.db.size(); ++k) {
        ASSERT_NEAR(sum.db[k], 20.0 * std::log10(2.0), 1e-9) << k;
        ASSERT_EQ(sum.freqs[k], grid[k]);
    }
    const QRect plot = RectOf(graph->PlotArea());
    EXPECT_EQ(CountColor(without, 0xFFF6CE1D, plot), 0);
    EXPECT_GT(CountColor(Render(), 0xFFF6CE1D, plot), 100);
    // The current curve alone has nothing to add up.
    graph->SetCurves(curves, 0, std::vector<int>{0, 0, 0, 0});
    EXPECT_TRUE(graph->SumCurve().db.empty());
    EXPECT_TRUE(host->Take().empty());
}

TEST_F(EqualizerControl, TracesPaintAndAShortOneReadsOnlyItsPoints) {
    const std::vector<double> grid = Grid();
    const std::vector<double> zero(grid.size(), 0.0);
    const std::vector<UIEqualizer::CurveView> curves = {{grid, zero}};
    graph->SetCurves(curves, 0, std::vector<int>{1});
    graph->SetPoints({}, -1);
    const QImage bare = Render();
    const std::vector<double> low(grid.size(), -12.0);
    graph->SetTrace(UIEqualizer::Trace::Preview, {grid, low});
    ASSERT_TRUE(graph->HasTrace(UIEqualizer::Trace::Preview));
    const QRect plot = RectOf(graph->PlotArea());
    EXPECT_GT(CountColor(Render(), 0xFF7FE8FF, plot), 100) << "the preview, bright";
    // A shorter trace over the lowest points only: the old tail must not be drawn.
    const size_t shortCount = 150;  // up to about 100 Hz
    graph->SetTrace(UIEqualizer::Trace::Preview,
                    {std::span(grid).first(shortCount), std::span(low).first(shortCount)});
    const QImage shortTrace = Render();
    const int from = eqgraph::XOfFreq(graph->PlotArea(), 2 * grid[shortCount - 1]);
    int changedRight = 0;
    for (int y = plot.top(); y <= plot.bottom(); ++y) {
        for (int x = from; x <= plot.right(); ++x) {
            changedRight += shortTrace.pixel(x, y) != bare.pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(changedRight, 0);
    EXPECT_GT(CountColor(shortTrace, 0xFF7FE8FF, plot), 5);
    graph->SetTrace(UIEqualizer::Trace::Preview, {});

    // The other slot: faint, so no pixel of it is the current colour itself.
    graph->SetTrace(UIEqualizer::Trace::OtherSlot, {grid, low});
    const QImage faint = Render();
    const int row = eqgraph::YOfGain(graph->PlotArea(), -12.0);
    int tinted = 0;
    for (int x = plot.left() + 10; x < plot.right() - 10; ++x) {
        const QColor c = faint.pixelColor(x, row);
        tinted += c != bare.pixelColor(x, row) && c.rgb() != 0xFF00C000 ? 1 : 0;
    }
    EXPECT_GT(tinted, plot.width() / 2);
}

}  // namespace
