// The mixer window: opening it with all 144 cells bound and shown, and one fader step end to
// end (notification, mixer operation, the model told, the cell redrawn, the frame queued).
// Connected to the virtual amplifier, offscreen.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include "sim/virtual_amplifier.h"
#include "ui/controls.h"
#include "ui/resources.h"
#include "virtual_amplifier_config.h"
#include "windows/main_wnd.h"
#include "windows/mixer_wnd.h"

namespace {

constexpr int kHighLevelSource = 5;

// A connected main window on the high-level source, so the mixer binds every row it can.
class Connected {
  public:
    Connected() : window(VirtualAmplifierConfig(std::make_shared<sim::VirtualAmplifier>())) {
        qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
        ui::Resources::Instance().LoadFromDirectory(QStringLiteral(SKIN_DIR));
        ui::Resources::Instance().SetUiScaleDpi(96);
        window.Create("XML_MAIN");
        window.show();
        for (int i = 0; i < 500 && !window.ConnectAttemptDone(); ++i) {
            QTest::qWait(10);
        }
        if (window.IsConnected()) {
            window.Manager().Inputs().SetInputSource(kHighLevelSource, true);
        }
    }
    QTemporaryDir home;
    CMainWnd window;
};

void BM_MixerOpen(benchmark::State& state) {
    Connected c;
    if (!c.window.IsConnected()) {
        state.SkipWithError("not connected");
        return;
    }
    for (auto _ : state) {
        CMixerWnd mixer(&c.window, c.window.Manager());
        mixer.Create();
        mixer.Show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(mixer.CellEdit(11, 11));
    }
}

void BM_MixerSliderStep(benchmark::State& state) {
    Connected c;
    if (!c.window.IsConnected()) {
        state.SkipWithError("not connected");
        return;
    }
    CMixerWnd mixer(&c.window, c.window.Manager());
    mixer.Create();
    mixer.Show();
    ui::Slider* slider = mixer.CellSlider(0, 0);
    if (slider == nullptr) {
        state.SkipWithError("no fader");
        return;
    }
    int step = 0;
    for (auto _ : state) {
        // Every step a new level, so every step is sent.
        slider->SetValue(1 + step++ % 100, ui::NotifyMode::Notify);
        QApplication::processEvents();
    }
    mixer.KillTimer(CMixerWnd::STATUS_READ_TIMER);
}

}  // namespace

BENCHMARK(BM_MixerOpen)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_MixerSliderStep)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
