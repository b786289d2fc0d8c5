// One drag step on the equalizer graph, as the user feels it: a mouse move reaches the graph,
// the point moves, the window hears "equalizer_eq", hands the graph three fresh 512-point
// curves (current output, partner, group member) with the points, and the graph repaints.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include <cmath>
#include <vector>

#include "controls/ui_equalizer.h"
#include "ui/window.h"

namespace {

constexpr int kCurves = UIEqualizer::kMaxCurves;
constexpr int kPoints = UIEqualizer::kCurvePoints;

struct CurveData {
    std::vector<double> freqs;
    std::vector<double> db;
};

// A peaking-like bump whose height follows the step, so every repaint draws new curves.
void Fill(CurveData& c, double height, double centre) {
    c.freqs.resize(kPoints);
    c.db.resize(kPoints);
    for (int i = 0; i < kPoints; ++i) {
        const double f = 10.0 * std::pow(2200.0, static_cast<double>(i) / (kPoints - 1));
        const double octaves = std::log2(f / centre);
        c.freqs[i] = f;
        c.db[i] = height / (1.0 + octaves * octaves * 4.0) - 3.0;
    }
}

class Host : public ui::Window {
  public:
    UIEqualizer* graph = nullptr;
    std::vector<CurveData> curves = std::vector<CurveData>(kCurves);
    std::vector<int> visible = std::vector<int>(kCurves, 1);
    int notifications = 0;

    void Notify(const ui::Notification& n) override {
        if (n.type != QLatin1String("equalizer_eq")) {
            return;
        }
        ++notifications;
        const EqPoint p = graph->Point(n.arg);
        for (int c = 0; c < 3; ++c) {
            Fill(curves[c], p.gain, p.freq);
        }
        std::vector<EqPoint> points;
        for (int i = 0; i < graph->PointCount(); ++i) {
            points.push_back(graph->Point(i));
        }
        graph->SetPoints(points, n.arg);
        std::vector<UIEqualizer::CurveView> views;
        for (const CurveData& c : curves) {
            views.push_back({c.freqs, c.db});
        }
        graph->SetCurves(views, 0, visible);
    }
};

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
    QMouseEvent event(type, pos, w->mapToGlobal(pos),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

void BM_DragStep(benchmark::State& state) {
    Host host;
    host.SetLayoutSize(QSize(660, 220));
    host.graph = new UIEqualizer(&host);
    host.graph->setObjectName("equalizer");
    host.SetControlRect(host.graph, {10, 10, 640, 200});
    host.graph->SetDragAllDirection(true);
    std::vector<EqPoint> points(31);
    for (int i = 0; i < 31; ++i) {
        points[i] = {0.0f, 1.0f, static_cast<int>(20 * std::pow(1.25, i)), 1};
    }
    host.graph->SetPoints(points, 15);
    host.graph->SetCrossover(60, 12000);
    for (int c = 0; c < kCurves; ++c) {
        Fill(host.curves[c], c - 6.0, 40.0 * (c + 1));
    }
    std::vector<UIEqualizer::CurveView> views;
    for (const CurveData& c : host.curves) {
        views.push_back({c.freqs, c.db});
    }
    host.graph->SetCurves(views, 0, host.visible);

    QImage image(host.graph->size(), QImage::Format_ARGB32_Premultiplied);
    SendMouse(host.graph, QEvent::MouseButtonPress, host.graph->MarkerRect(15).center(),
              Qt::LeftButton);
    const QPoint origin = host.graph->PointPixel(15);
    int step = 0;
    for (auto _ : state) {
        // Back and forth over 40 px so each move changes the gain.
        const int dy = (step % 40) < 20 ? step % 20 : 20 - step % 20;
        ++step;
        SendMouse(host.graph, QEvent::MouseMove, origin + QPoint(step % 7, dy - 10),
                  Qt::LeftButton);
        host.graph->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    SendMouse(host.graph, QEvent::MouseButtonRelease, origin, Qt::NoButton);
    state.counters["notified"] =
        benchmark::Counter(host.notifications, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_DragStep)->Unit(benchmark::kMicrosecond);

// The mouse moving over the plot without a button: the readout follows it and only its old and
// new places are painted again; the axis labels come from the kept frame.
void BM_HoverStep(benchmark::State& state) {
    Host host;
    host.SetLayoutSize(QSize(660, 220));
    host.graph = new UIEqualizer(&host);
    host.graph->setObjectName("equalizer");
    host.SetControlRect(host.graph, {10, 10, 640, 200});
    host.graph->SetShowSum(true);
    for (int c = 0; c < kCurves; ++c) {
        Fill(host.curves[c], c - 6.0, 40.0 * (c + 1));
    }
    std::vector<UIEqualizer::CurveView> views;
    for (const CurveData& c : host.curves) {
        views.push_back({c.freqs, c.db});
    }
    host.graph->SetCurves(views, 0, host.visible);
    QImage image(host.graph->size(), QImage::Format_ARGB32_Premultiplied);
    host.graph->render(&image);
    const eqgraph::Plot p = host.graph->PlotArea();
    int step = 0;
    for (auto _ : state) {
        const QPoint at(p.left + 20 + (step++ * 7) % (p.Width() - 40), p.bottom - 20);
        SendMouse(host.graph, QEvent::MouseMove, at, Qt::NoButton);
        const QRect dirty = host.graph->ReadoutRect().adjusted(-40, -40, 40, 40);
        host.graph->render(&image, dirty.topLeft(), QRegion(dirty));
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["shown"] = host.graph->ReadoutShown() ? 1 : 0;
}
BENCHMARK(BM_HoverStep)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
