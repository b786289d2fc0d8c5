// One drag step in the main window, end to end: a mouse move on the graph, its notification,
// the EQ operation on the model (with the send throttle), the curves of the current output,
// its partner and a link-group member, the graph given the new points and curves, and the
// graph painted. Connected to the virtual amplifier, offscreen.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>

#include "controls/ui_equalizer.h"
#include "sim/virtual_amplifier.h"
#include "ui/resources.h"
#include "virtual_amplifier_config.h"
#include "windows/main_wnd.h"

namespace {

void BM_MainWindowDragStep(benchmark::State& state) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    ui::Resources::Instance().LoadFromDirectory(QStringLiteral(SKIN_DIR));
    // The graph at its design size (640 x 200), whatever the offscreen screen says.
    ui::Resources::Instance().SetUiScaleDpi(96);
    CMainWnd window(VirtualAmplifierConfig(std::make_shared<sim::VirtualAmplifier>()));
    window.Create("XML_MAIN");
    window.show();
    for (int i = 0; i < 500 && !window.ConnectAttemptDone(); ++i) {
        QTest::qWait(10);
    }
    if (!window.IsConnected()) {
        state.SkipWithError("not connected");
        return;
    }
    // Output 1 with a left/right partner (bridge) and a link-group member in its half.
    model::OutputOperations& outputs = window.Manager().Outputs();
    outputs.SetBridge(0, true, false, false);
    outputs.SetLinkGroup(0, 1);
    outputs.SetLinkGroup(2, 1);
    outputs.SetCurChannelChange(0);
    window.Manager().Eq().UpdateEqualizer(-1);

    auto* graph = dynamic_cast<UIEqualizer*>(window.FindWidget("equalizer"));
    if (graph == nullptr || graph->PointCount() < 16) {
        state.SkipWithError("no graph");
        return;
    }
    QImage canvas(graph->size(), QImage::Format_ARGB32_Premultiplied);
    const QPoint start = graph->PointPixel(15);
    QTest::mousePress(graph, Qt::LeftButton, {}, start);
    int step = 0;
    for (auto _ : state) {
        // Up and down across 0 dB, so every step moves the point and changes the curves.
        const int dy = (step++ % 40) - 20;
        QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(0, dy)),
                         graph->mapToGlobal(QPointF(start + QPoint(0, dy))), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(graph, &move);
        graph->render(&canvas);
        benchmark::DoNotOptimize(canvas.constBits());
    }
    QTest::mouseRelease(graph, Qt::LeftButton, {}, start);
    state.counters["gain_dB"] = graph->Point(15).gain;
}

}  // namespace

BENCHMARK(BM_MainWindowDragStep)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // On the stack, so it goes before the library's own statics do.
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
