#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "controls/circle_progress.h"
#include "controls/register_controls.h"
#include "controls/ui_equalizer_ac.h"
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

using View = UIEqualizerAc::CurveView;

void EnsureApp() {
    if (QCoreApplication::instance()) {
        return;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "controls_ui_equalizer_ac_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

constexpr QRgb kSpectrum0 = 0xFFEF0000;
constexpr QRgb kSpectrum2 = 0xFFEFEF27;
constexpr QRgb kSpectrum3 = 0xFFA7EF3A;
constexpr QRgb kEq4 = 0xFF00AEAE;

// n frequencies from 20 Hz to 20 kHz, evenly spaced on the log axis.
std::vector<double> LogGrid(int n) {
    std::vector<double> f(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        f[static_cast<size_t>(i)] = 20.0 * std::pow(1000.0, static_cast<double>(i) / (n - 1));
    }
    return f;
}

int CountColor(const QImage& image, QRgb color, QRect area = {}) {
    if (area.isNull()) {
        area = image.rect();
    }
    area &= image.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            n += image.pixel(x, y) == color ? 1 : 0;
        }
    }
    return n;
}

QRect Around(double x, double y, int r = 2) {
    const QPoint c(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
    return {c.x() - r, c.y() - r, 2 * r + 1, 2 * r + 1};
}

class EqualizerAc : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApp();
        ui::Resources::Instance().Reset();
        host = std::make_unique<ui::Window>();
        host->SetLayoutSize(QSize(700, 300));
        view = new UIEqualizerAc(host.get());
        host->SetControlRect(view, {10, 10, 640, 200});
        host->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
    }
    QImage Render() const {
        QImage image(view->size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        view->render(&image);
        return image;
    }
    std::unique_ptr<ui::Window> host;
    UIEqualizerAc* view = nullptr;
};

TEST_F(EqualizerAc, MappingFollowsTheAxes) {
    ASSERT_EQ(view->size(), QSize(640, 200));
    EXPECT_DOUBLE_EQ(view->XOfFrequency(20), 0.0);
    EXPECT_NEAR(view->XOfFrequency(20000), 640.0, 1e-9);
    EXPECT_NEAR(view->XOfFrequency(1000), 640.0 * std::log10(50.0) / 3.0, 1e-9);
    EXPECT_DOUBLE_EQ(view->YOfGain(20), 0.0);
    EXPECT_DOUBLE_EQ(view->YOfGain(-20), 200.0);
    EXPECT_DOUBLE_EQ(view->YOfGain(0), 100.0);
    EXPECT_DOUBLE_EQ(view->YOfGain(-10), 150.0);

    // An odd height puts 0 dB at (h * 20) div 40, and each half keeps its own scale.
    host->SetControlRect(view, {10, 10, 300, 101});
    EXPECT_DOUBLE_EQ(view->YOfGain(0), 50.0);
    EXPECT_DOUBLE_EQ(view->YOfGain(20), 0.0);
    EXPECT_DOUBLE_EQ(view->YOfGain(-20), 101.0);
    EXPECT_DOUBLE_EQ(view->YOfGain(10), 25.0);
    EXPECT_DOUBLE_EQ(view->YOfGain(-10), 75.5);
    EXPECT_NEAR(view->XOfFrequency(20000), 300.0, 1e-9);
}

TEST_F(EqualizerAc, HiddenCurvesLeaveOnlyTheGrid) {
    const QImage grid = Render();
    const std::vector<double> eqFreqs = LogGrid(UIEqualizerAc::kEqPoints);
    const std::vector<double> specFreqs = LogGrid(UIEqualizerAc::kSpectrumPoints);
    const std::vector<double> eqDb(eqFreqs.size(), 6.0);
    const std::vector<double> specDb(specFreqs.size(), -7.0);
    const std::vector<View> eq(12, View{eqFreqs, eqDb});
    const std::vector<View> spectra(12, View{specFreqs, specDb});
    const std::vector<int> hidden(12, 0);
    view->SetEqCurves(eq, hidden);
    view->SetSpectrumCurves(spectra, hidden);
    view->SetPredictedCurves(spectra, hidden);
    EXPECT_EQ(view->EqCurveCount(), 12);
    EXPECT_EQ(Render(), grid);
}

TEST_F(EqualizerAc, VisibleCurvesPaintInTheirSlotColours) {
    const std::vector<double> specFreqs = LogGrid(UIEqualizerAc::kSpectrumPoints);
    const std::vector<double> up(specFreqs.size(), 10.0);
    const std::vector<View> spectra(4, View{specFreqs, up});
    view->SetSpectrumCurves(spectra, std::vector<int>{0, 0, 0, 1});
    const QImage image = Render();
    for (size_t k : {5u, 40u, 60u, 100u, 115u}) {
        EXPECT_GT(CountColor(image, kSpectrum3,
                             Around(view->XOfFrequency(specFreqs[k]), view->YOfGain(10.0))),
                  0)
            << k;
    }
    EXPECT_EQ(CountColor(image, kSpectrum0), 0);  // slot 0 is hidden

    // The correction curves: dashed, in the EQ colours, smoothed along a flat line.
    const std::vector<double> eqFreqs = LogGrid(UIEqualizerAc::kEqPoints);
    const std::vector<double> down(eqFreqs.size(), -10.0);
    const std::vector<View> eq(5, View{eqFreqs, down});
    view->SetEqCurves(eq, std::vector<int>{0, 0, 0, 0, 1});
    const QImage withEq = Render();
    const int row = static_cast<int>(view->YOfGain(-10.0));
    EXPECT_GT(CountColor(withEq, kEq4, QRect(0, row - 2, 640, 5)), 100);
    EXPECT_EQ(CountColor(withEq, kEq4, QRect(0, 0, 640, row - 4)), 0);

    // The prediction on slot 3 is lighter than the measurement, and only changes its own row.
    const std::vector<double> predicted(specFreqs.size(), 12.0);
    view->SetPredictedCurves(std::vector<View>(4, View{specFreqs, predicted}),
                             std::vector<int>{0, 0, 0, 1});
    const QImage withPrediction = Render();
    const double y = view->YOfGain(12.0);
    const QRect near = Around(view->XOfFrequency(1000), y);
    EXPECT_NE(withPrediction.copy(near), withEq.copy(near));
    EXPECT_EQ(CountColor(withPrediction, kSpectrum3, QRect(0, static_cast<int>(y) - 3, 640, 7)), 0);
    EXPECT_EQ(withPrediction.copy(0, 120, 640, 80), withEq.copy(0, 120, 640, 80));
}

TEST_F(EqualizerAc, AnEmptySetChangesNothing) {
    const std::vector<double> freqs = LogGrid(UIEqualizerAc::kSpectrumPoints);
    const std::vector<double> db(freqs.size(), 3.0);
    view->SetSpectrumCurves(std::vector<View>(2, View{freqs, db}), std::vector<int>{1, 1});
    const QImage before = Render();
    view->SetSpectrumCurves({}, std::vector<int>{0, 0});
    view->SetEqCurves({}, std::vector<int>{1, 1});
    view->SetPredictedCurves({}, {});
    EXPECT_EQ(view->SpectrumCurveCount(), 2);
    EXPECT_EQ(view->EqCurveCount(), 0);
    EXPECT_EQ(view->PredictedCurveCount(), 0);
    EXPECT_EQ(Render(), before);
}

TEST_F(EqualizerAc, OversizeAndShortSetsAreBounded) {
    // More curves and points than there are slots: the rest is ignored.
    const std::vector<double> longFreqs = LogGrid(700);
    const std::vector<double> longDb(longFreqs.size(), 1.0);
    const std::vector<View> many(20, View{longFreqs, longDb});
    const std::vector<int> allShown(30, 1);
    view->SetEqCurves(many, allShown);
    view->SetSpectrumCurves(many, allShown);
    view->SetPredictedCurves(many, allShown);
    EXPECT_EQ(view->EqCurveCount(), UIEqualizerAc::kSlots);
    EXPECT_EQ(view->SpectrumCurveCount(), UIEqualizerAc::kSlots);
    EXPECT_EQ(view->PredictedCurveCount(), UIEqualizerAc::kSlots);
    Render();

    // Slot 0 has dB values for its first 60 frequencies only; slot 1 nothing; slot 2 hostile
    // values in between good ones. Fewer flags than curves.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> freqs = LogGrid(UIEqualizerAc::kSpectrumPoints);
    const std::vector<double> shortDb(60, 10.0);
    std::vector<double> oddFreqs = freqs;
    std::vector<double> oddDb(freqs.size(), 10.0);
    for (size_t k = 0; k < freqs.size(); k += 7) {
        oddDb[k] = k % 2 ? nan : -inf;
        oddFreqs[k + 3 < freqs.size() ? k + 3 : k] = k % 2 ? -1.0 : inf;
    }
    oddDb[50] = 1.0e300;
    const std::vector<View> few = {{freqs, shortDb}, {}, {oddFreqs, oddDb}};
    const std::vector<double> shortEqDb(200, -10.0);
    const std::vector<View> fewEq = {{longFreqs, shortEqDb}, {}, {oddFreqs, oddDb}};
    view->SetEqCurves(fewEq, allShown);
    view->SetSpectrumCurves(few, std::vector<int>{1, 1, 1});
    EXPECT_EQ(view->SpectrumCurveCount(), 3);
    EXPECT_EQ(view->EqCurveCount(), 3);
    const QImage image = Render();
    // The short curve ends where its data ends instead of falling to the 0 dB line.
    const int lastX = static_cast<int>(view->XOfFrequency(freqs[59]));
    const int up = static_cast<int>(view->YOfGain(10.0));
    EXPECT_GT(CountColor(image, kSpectrum0, QRect(0, up - 2, lastX, 5)), 50);
    EXPECT_EQ(CountColor(image, kSpectrum0, QRect(lastX + 4, 0, 640, 200)), 0);
    EXPECT_GT(CountColor(image, kSpectrum2, QRect(0, up - 2, 640, 5)), 50);
}

TEST_F(EqualizerAc, LayoutBuildsBothControls) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkpath("xml");
    const auto write = [&](const char* path, const char* text) {
        QFile file(dir.filePath(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    write("xml/res.xml",
          "<resources>\n"
          "<layout name=\"XML_AC\" file=\"xml/ac.xml\"/>\n"
          "<layout name=\"XML_BAD\" file=\"xml/bad.xml\"/>\n"
          "</resources>\n");
    write("xml/ac.xml",
          "<Window size=\"320,200\" wndclass=\"AcWnd\" name=\"acwnd\">\n"
          "  <CurveAc name=\"curve\" pos=\"0,0,240,120\" bkcolor=\"#FF101010\"\n"
          "      textcolor=\"#FFC0C0C0\" align=\"left\" textpadding=\"1,1,1,1\"/>\n"
          "  <CircleProgress name=\"ring\" pos=\"250,0,60,60\" min=\"0\" max=\"100\"\n"
          "      value=\"50\" bkcolor=\"#FF0000FF\" forecolor=\"#FF00FF00\"/>\n"
          "</Window>\n");
    write("xml/bad.xml",
          "<Window size=\"320,200\">\n"
          "  <CurveAc name=\"curve\" pos=\"0,0,240,120\" textpadding=\"1,2\"/>\n"
          "</Window>\n");
    QString error;
    ASSERT_TRUE(ui::Resources::Instance().LoadFromDirectory(dir.path(), &error))
        << error.toStdString();
    controls::RegisterCustomControls();

    ui::Window window;
    ASSERT_TRUE(window.Create("XML_AC", &error)) << error.toStdString();
    auto* curve = window.FindControl<UIEqualizerAc>("curve");
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(curve->size(), QSize(240, 120));
    EXPECT_NEAR(curve->XOfFrequency(20000), 240.0, 1e-9);
    auto* ring = window.FindControl<CCircleProgressUI>("ring");
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(ring->Value(), 50);
    EXPECT_EQ(ring->SweepDegrees(), 180);
    EXPECT_EQ(ring->ForegroundColor(), QColor::fromRgba(0xFF00FF00));

    ui::Window bad;
    EXPECT_FALSE(bad.Create("XML_BAD", &error));
    EXPECT_TRUE(error.contains("bad.xml:2")) << error.toStdString();
    EXPECT_TRUE(error.contains("textpadding")) << error.toStdString();
    ui::Resources::Instance().Reset();
}

TEST(CircleProgress, HalfFillsTheLeftOfTheRing) {
    EnsureApp();
    ui::LayoutNode node;
    node.tag = "CircleProgress";
    node.attributes = {{"bkcolor", "#FF0000FF"}, {"forecolor", "#FF00FF00"}, {"value", "50"}};
    QString error;
    std::unique_ptr<CCircleProgressUI> ring(CCircleProgressUI::FromLayout(node, &error));
    ASSERT_TRUE(ring) << error.toStdString();
    ring->resize(100, 100);
    const auto pixel = [&](int x, int y) {
        QImage image(ring->size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        ring->render(&image);
        return image.pixel(x, y);
    };
    // From the bottom clockwise half way is the left half; inside the 10 px ring.
    EXPECT_EQ(pixel(4, 50), 0xFF00FF00u);
    EXPECT_EQ(pixel(95, 50), 0xFF0000FFu);
    // An empty range fills nothing rather than dividing by zero.
    ring->SetRange(7, 7);
    EXPECT_EQ(pixel(4, 50), 0xFF0000FFu);
}

}  // namespace
