// The custom EQ window with real widgets against the virtual amplifier: typed and stepped
// fields, the fader, the on/off buttons, graph drags, reset and factory curve, focus movement,
// indices out of range, and closing without a connection. The amplifier's bands are the judge.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <array>
#include <cmath>
#include <functional>
#include <memory>

#include "controls/ui_equalizer.h"
#include "model/equalizer_manager.h"
#include "model/frequency.h"
#include "sim/sim_transport.h"
#include "ui/resources.h"
#include "ui_layouts/test_app.h"
#include "window_test_support.h"
#include "windows/custom_eq_controls.h"
#include "windows/custom_eq_wnd.h"

namespace {

using Field = CCustomEqWnd::Field;

// A band as the amplifier holds it, in user units.
struct DeviceBand {
    int freq;
    double q;
    double gain;
};

// Answers every open question box with `answer` and counts them.
struct Answerer {
    explicit Answerer(int answer) {
        QObject::connect(&timer, &QTimer::timeout, [this, answer] {
            for (ui::Window* w : ui::Window::AllWindows()) {
                if (w->IsModalRunning() && w->WindowName() == QLatin1String("msgwnd")) {
                    ++asked;
                    w->Close(answer);
                }
            }
        });
        timer.start(5);
    }
    QTimer timer;
    int asked = 0;
};

constexpr int kOutput = 2;

class CustomEqWndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ui_test::LoadEnglishSkin());
        owner = std::make_unique<QWidget>();
        owner->resize(900, 600);
        manager = std::make_unique<model::EqualizerManager>(
            std::make_unique<sim::SimTransport>(amp, clock), clock, &events);
    }
    void TearDown() override {
        ui::Window::CloseAllPopups(0);
        wnd.reset();
        manager.reset();
        owner.reset();
        ui::Resources::Instance().Reset();
    }

    void Connect() {
        ASSERT_TRUE(window_test::ConnectManager(*manager));
        manager->State().live.currOutChannel = kOutput;
    }

    void Open() {
        wnd = std::make_unique<CCustomEqWnd>(owner.get(), *manager);
        ASSERT_TRUE(wnd->Create());
        ASSERT_TRUE(wnd->MissingControls().isEmpty())
            << wnd->MissingControls().join(',').toStdString();
        wnd->Show();
        wnd->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(wnd.get()));
    }

    DeviceBand Device(int output, int band) const {
        const sim::DeviceState d = amp->Snapshot();
        const auto& b =
            d.scenes[0].outputs[static_cast<size_t>(output)].bands[static_cast<size_t>(band)];
        return {b.freq, b.q[0] + b.q[1] / 10.0, b.gain[0] + b.gain[1] / 10.0 - 18.0};
    }
    // Waits until the amplifier's band of point k (current output) satisfies the condition.
    bool DeviceSays(int k, const std::function<bool(const DeviceBand&)>& condition) {
        return QTest::qWaitFor(
            [&] { return condition(Device(kOutput, k + CCustomEqWnd::kFirstBand)); }, 5000);
    }
    // Marks a band on the amplifier behind the program's back: any later send overwrites it.
    void Mark(int k) {
        amp->Modify([k](sim::DeviceState& d) {
            auto& b = d.scenes[0].outputs[kOutput].bands[static_cast<size_t>(k + 11)];
            b.freq = 777;
        });
    }
    // Sends a known edit and waits for it: everything queued before it has arrived too.
    void Flush() {
        Type(Field::Freq, 19, "1234");
        wnd->FieldEdit(Field::Freq, 18)->setFocus();
        ASSERT_TRUE(DeviceSays(19, [](const DeviceBand& b) { return b.freq == 1234; }));
    }

    // Types into a field without committing it yet.
    void Type(Field f, int k, const QString& text) {
        ui::Edit* edit = wnd->FieldEdit(f, k);
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        edit->setText(text);
    }
    void Key(Field f, int k, Qt::Key key) {
        ui::Edit* edit = wnd->FieldEdit(f, k);
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        QTest::keyClick(edit, key);
    }
    QString Text(Field f, int k) const {
        ui::Edit* edit = wnd->FieldEdit(f, k);
        return edit ? edit->text() : QStringLiteral("<missing>");
    }
    QWidget* Focused() const { return QApplication::focusWidget(); }
    ui::Slider* Slider(int k) const {
        return wnd->FindControl<ui::Slider>(
            QString::fromLatin1(custom_eq_controls::kEqSliderPrefix) + QString::number(k));
    }
    ui::SButton* Switch(int k) const {
        return wnd->FindControl<ui::SButton>(
            QString::fromLatin1(custom_eq_controls::kPtEnablePrefix) + QString::number(k));
    }

    std::unique_ptr<QWidget> owner;
    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::ManualClock clock;
    window_test::NullEvents events;
    std::unique_ptr<model::EqualizerManager> manager;
    std::unique_ptr<CCustomEqWnd> wnd;
};

}  // namespace

TEST_F(CustomEqWndTest, OpensOnTheCurrentOutputsCustomBands) {
    amp->Modify([](sim::DeviceState& d) {
        auto& b = d.scenes[0].outputs[kOutput].bands[11 + 4];
        b.freq = 640;
        b.q = {2, 5};
        b.gain = {21, 5};  // +3.5 dB
    });
    Connect();
    Open();
    EXPECT_EQ(wnd->Output(), kOutput);
    EXPECT_EQ(wnd->ClassName(), QStringLiteral("CustomEqWnd"));
    EXPECT_EQ(Text(Field::Freq, 4), "640");
    EXPECT_EQ(Text(Field::Q, 4), "2.50");
    EXPECT_EQ(Text(Field::Gain, 4), "3.5");
    EXPECT_EQ(Slider(4)->Value(), 35);
    EXPECT_TRUE(Switch(4)->IsSelected());
    EXPECT_FALSE(Switch(5)->IsSelected());  // 0 dB plays nothing
    EXPECT_EQ(wnd->Snapshot()[4].freq, 640);
    UIEqualizer* graph = wnd->Graph();
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->PointCount(), CCustomEqWnd::kPoints);
    EXPECT_EQ(graph->Point(4).freq, 640);
    EXPECT_TRUE(graph->DragAllDirection());
    EXPECT_EQ(graph->HpFreq(), -1);
    EXPECT_EQ(graph->LpFreq(), -1);
    EXPECT_EQ(graph->CurveCount(), 1);
    EXPECT_TRUE(window_test::SaveShot(*wnd, "custom_eq.png"));
}

TEST_F(CustomEqWndTest, TypedFieldsReachTheAmplifierCorrectedWhereNeeded) {
    Connect();
    Open();
    const DeviceBand otherOutput = Device(0, 11 + 3);
    Type(Field::Freq, 3, "1k5");
    Type(Field::Q, 3, "12");
    Type(Field::Gain, 3, "4.5");
    Key(Field::Gain, 3, Qt::Key_Return);  // leaves the row: committed
    EXPECT_TRUE(DeviceSays(3, [](const DeviceBand& b) {
        return b.freq == 1500 && std::fabs(b.q - 9.0) < 0.01 && std::fabs(b.gain - 4.5) < 0.01;
    }));
    EXPECT_EQ(Text(Field::Freq, 3), "1500");
    EXPECT_EQ(Text(Field::Q, 3), "9.00");
    EXPECT_EQ(Slider(3)->Value(), 45);
    EXPECT_TRUE(Switch(3)->IsSelected());
    // Only the current output changes.
    EXPECT_EQ(Device(0, 11 + 3).freq, otherOutput.freq);

    // Out of range keeps the stored frequency; too much gain is held to the fader's range.
    Type(Field::Freq, 3, "25000");
    Type(Field::Gain, 3, "40");
    Type(Field::Q, 3, "0.1");
    wnd->FieldEdit(Field::Freq, 7)->setFocus();
    EXPECT_EQ(Text(Field::Freq, 3), "1500");
    EXPECT_EQ(Text(Field::Gain, 3), "12.0");
    EXPECT_EQ(Text(Field::Q, 3), "0.50");
    EXPECT_TRUE(DeviceSays(3, [](const DeviceBand& b) {
        return b.freq == 1500 && std::fabs(b.gain - 12.0) < 0.01 && std::fabs(b.q - 0.5) < 0.01;
    }));
    Type(Field::Gain, 6, "-30");
    wnd->FieldEdit(Field::Freq, 7)->setFocus();
    EXPECT_EQ(Text(Field::Gain, 6), "-18.0");
    EXPECT_TRUE(DeviceSays(6, [](const DeviceBand& b) { return std::fabs(b.gain + 18.0) < 0.01; }));
}

TEST_F(CustomEqWndTest, SteppingFieldsStopsAtTheLimits) {
    Connect();
    Open();
    // 20 Hz cannot go lower, and the first step up always moves despite rounding.
    Type(Field::Freq, 0, "20");
    Key(Field::Freq, 0, Qt::Key_Down);
    EXPECT_EQ(Text(Field::Freq, 0), "20");
    Key(Field::Freq, 0, Qt::Key_Up);
    EXPECT_EQ(Text(Field::Freq, 0), QString::number(model::StepFrequency(20, true)));
    EXPECT_GT(Text(Field::Freq, 0).toInt(), 20);
    EXPECT_TRUE(DeviceSays(0, [](const DeviceBand& b) { return b.freq > 20; }));
    Type(Field::Freq, 1, "20000");
    Key(Field::Freq, 1, Qt::Key_Up);
    EXPECT_EQ(Text(Field::Freq, 1), "20000");
    Key(Field::Freq, 1, Qt::Key_Down);
    EXPECT_LT(Text(Field::Freq, 1).toInt(), 20000);

    Type(Field::Q, 2, "0.52");
    Key(Field::Q, 2, Qt::Key_Down);
    EXPECT_EQ(Text(Field::Q, 2), "0.50");
    Key(Field::Q, 2, Qt::Key_Down);
    EXPECT_EQ(Text(Field::Q, 2), "0.50");
    Type(Field::Q, 2, "8.98");
    Key(Field::Q, 2, Qt::Key_Up);
    EXPECT_EQ(Text(Field::Q, 2), "9.00");
    EXPECT_TRUE(DeviceSays(2, [](const DeviceBand& b) { return std::fabs(b.q - 9.0) < 0.01; }));

    Type(Field::Gain, 2, "11.9");
    Key(Field::Gain, 2, Qt::Key_Up);
    EXPECT_EQ(Text(Field::Gain, 2), "12.0");
    Key(Field::Gain, 2, Qt::Key_Up);
    EXPECT_EQ(Text(Field::Gain, 2), "12.0");
    EXPECT_TRUE(DeviceSays(2, [](const DeviceBand& b) { return std::fabs(b.gain - 12.0) < 0.01; }));
    Key(Field::Gain, 2, Qt::Key_Down);
    EXPECT_EQ(Text(Field::Gain, 2), "11.9");
    EXPECT_TRUE(DeviceSays(2, [](const DeviceBand& b) { return std::fabs(b.gain - 11.9) < 0.01; }));
}

TEST_F(CustomEqWndTest, FaderAndOnOffButtonKeepTheGainForLater) {
    Connect();
    Open();
    Slider(8)->SetValue(30, ui::NotifyMode::Notify);
    EXPECT_EQ(Text(Field::Gain, 8), "3.0");
    EXPECT_TRUE(DeviceSays(8, [](const DeviceBand& b) { return std::fabs(b.gain - 3.0) < 0.01; }));
    EXPECT_TRUE(Switch(8)->IsSelected());

    Switch(8)->click();
    EXPECT_FALSE(Switch(8)->IsSelected());
    EXPECT_EQ(Slider(8)->Value(), 0);
    EXPECT_EQ(Text(Field::Gain, 8), "0.0");
    EXPECT_TRUE(DeviceSays(8, [](const DeviceBand& b) { return std::fabs(b.gain) < 0.01; }));
    EXPECT_EQ(wnd->PointBand(8).enable, 0);
    // Passing through the fields of an off point leaves it off with its gain.
    wnd->FieldEdit(Field::Gain, 8)->setFocus();
    wnd->FieldEdit(Field::Gain, 9)->setFocus();
    EXPECT_EQ(wnd->PointBand(8).enable, 0);

    Switch(8)->click();
    EXPECT_TRUE(Switch(8)->IsSelected());
    EXPECT_EQ(Text(Field::Gain, 8), "3.0");
    EXPECT_EQ(Slider(8)->Value(), 30);
    EXPECT_TRUE(DeviceSays(8, [](const DeviceBand& b) { return std::fabs(b.gain - 3.0) < 0.01; }));

    // A point at 0 dB has nothing to switch off.
    Switch(9)->click();
    EXPECT_EQ(wnd->PointBand(9).enable, 1);
    EXPECT_FALSE(Switch(9)->IsSelected());
}

TEST_F(CustomEqWndTest, DraggingAPointTunesItAndHoveringChangesNothing) {
    Connect();
    Open();
    UIEqualizer* graph = wnd->Graph();
    ASSERT_NE(graph, nullptr);
    const QPoint start = graph->PointPixel(12);
    const QPoint end = start + QPoint(40, -graph->height() / 5);  // higher and more gain
    QTest::mousePress(graph, Qt::LeftButton, {}, start);
    for (int step = 1; step <= 5; ++step) {
        QTest::mouseMove(graph, start + (end - start) * step / 5);
    }
    QTest::mouseRelease(graph, Qt::LeftButton, {}, end);
    const EqPoint dragged = graph->Point(12);
    EXPECT_GT(dragged.gain, 1.0f);
    EXPECT_GT(dragged.freq, wnd->Snapshot()[12].freq);
    EXPECT_EQ(wnd->PointBand(12).freq, dragged.freq);
    EXPECT_TRUE(DeviceSays(12, [&](const DeviceBand& b) {
        return b.freq == dragged.freq && std::fabs(b.gain - dragged.gain) < 0.11;
    }));
    EXPECT_EQ(Text(Field::Freq, 12), QString::number(dragged.freq));
    EXPECT_EQ(Focused(), wnd->FieldEdit(Field::Gain, 12));
    EXPECT_TRUE(Switch(12)->IsSelected());

    // Switched off, the point shows at 0 dB; hovering it selects it and nothing else.
    Switch(12)->click();
    ASSERT_TRUE(DeviceSays(12, [](const DeviceBand& b) { return std::fabs(b.gain) < 0.01; }));
    Mark(12);
    QTest::mouseMove(graph, graph->PointPixel(3));
    QTest::mouseMove(graph, graph->PointPixel(12));
    EXPECT_EQ(graph->SelectedPoint(), 12);
    Flush();
    EXPECT_EQ(Device(kOutput, 11 + 12).freq, 777);
    EXPECT_EQ(wnd->PointBand(12).enable, 0);
    EXPECT_NEAR(wnd->PointBand(12).eqGain, dragged.gain, 0.001f);
}

TEST_F(CustomEqWndTest, ATinyQDragSendsNothing) {
    Connect();
    Open();
    Type(Field::Q, 5, "1");
    wnd->FieldEdit(Field::Freq, 6)->setFocus();
    ASSERT_TRUE(DeviceSays(5, [](const DeviceBand& b) { return std::fabs(b.q - 1.0) < 0.01; }));
    wnd->UpdateEqualizer(5);
    Mark(5);
    UIEqualizer* graph = wnd->Graph();
    const QPoint handle = graph->QHandleRect(true).center();
    QTest::mousePress(graph, Qt::LeftButton, {}, handle);
    // 84 px from the point: Q 0.96, a move the graph takes and the window ignores.
    const QPoint to(graph->PointPixel(5).x() + 84, handle.y());
    QTest::mouseMove(graph, to);
    QTest::mouseRelease(graph, Qt::LeftButton, {}, to);
    EXPECT_LT(graph->Point(5).q, 0.99f);
    Flush();
    EXPECT_EQ(Device(kOutput, 11 + 5).freq, 777);
    EXPECT_FLOAT_EQ(wnd->PointBand(5).eqFactor, 1.0f);
}

TEST_F(CustomEqWndTest, ResetAndFactoryCurveEndOnTheAmplifierOnlyWhenConfirmed) {
    Connect();
    Open();
    Slider(0)->SetValue(50, ui::NotifyMode::Notify);
    ASSERT_TRUE(DeviceSays(0, [](const DeviceBand& b) { return std::fabs(b.gain - 5.0) < 0.01; }));
    {
        Answerer no(0);
        wnd->FindControl<ui::Button>(QString::fromLatin1(custom_eq_controls::kBtnResetEq))->click();
        EXPECT_EQ(no.asked, 1);
    }
    EXPECT_FLOAT_EQ(wnd->PointBand(0).eqGain, 5.0f);
    {
        Answerer yes(1);
        wnd->FindControl<ui::Button>(QString::fromLatin1(custom_eq_controls::kBtnResetEq))->click();
        EXPECT_EQ(yes.asked, 1);
    }
    for (int k = 0; k < CCustomEqWnd::kPoints; ++k) {
        const int freq = model::DefaultBandFrequency(model::MAX_EQ_BANDS, k);
        EXPECT_TRUE(DeviceSays(k, [&](const DeviceBand& b) {
            return b.freq == freq && std::fabs(b.gain) < 0.01 && std::fabs(b.q - 5.8) < 0.01;
        })) << k;
        EXPECT_EQ(Text(Field::Freq, k), QString::number(freq));
    }
    EXPECT_EQ(Text(Field::Gain, 0), "0.0");

    {
        Answerer yes(1);
        wnd->FindControl<ui::Button>(QString::fromLatin1(custom_eq_controls::kBtnResetCustomEq))
            ->click();
        EXPECT_EQ(yes.asked, 1);
    }
    for (int k = 0; k < CCustomEqWnd::kPoints; ++k) {
        const int freq = std::max(CCustomEqWnd::kFactoryFreq[static_cast<size_t>(k)], 20);
        const int gain = CCustomEqWnd::kFactoryGain[static_cast<size_t>(k)];
        EXPECT_TRUE(DeviceSays(k, [&](const DeviceBand& b) {
            return b.freq == freq && std::fabs(b.gain - gain) < 0.01 && std::fabs(b.q - 5.8) < 0.01;
        })) << k;
        EXPECT_EQ(wnd->PointBand(k).freq, freq);
    }
    EXPECT_EQ(Text(Field::Gain, 2), "12.0");
    EXPECT_TRUE(Switch(2)->IsSelected());
    EXPECT_FALSE(Switch(0)->IsSelected());
    // The factory curve puts points on one frequency: their numbers still stand apart.
    UIEqualizer* graph = wnd->Graph();
    ASSERT_NE(graph, nullptr);
    for (int a = 0; a < graph->PointCount(); ++a) {
        for (int b = a + 1; b < graph->PointCount(); ++b) {
            EXPECT_FALSE(graph->NumberRect(a).intersects(graph->NumberRect(b))) << a << " " << b;
        }
    }
}

TEST_F(CustomEqWndTest, KeysMoveTheFocusThroughTheTable) {
    Connect();
    Open();
    struct Move {
        Field from;
        int k;
        Qt::Key key;
        Field to;
        int toK;
    };
    const Move moves[] = {
        {Field::Freq, 4, Qt::Key_Return, Field::Q, 4},
        {Field::Q, 4, Qt::Key_Return, Field::Gain, 4},
        {Field::Gain, 4, Qt::Key_Return, Field::Freq, 5},
        {Field::Gain, 19, Qt::Key_Return, Field::Freq, 0},
        {Field::Freq, 7, Qt::Key_Right, Field::Freq, 8},
        {Field::Freq, 19, Qt::Key_Right, Field::Q, 0},
        {Field::Q, 19, Qt::Key_Right, Field::Gain, 0},
        {Field::Gain, 19, Qt::Key_Right, Field::Freq, 0},
        {Field::Gain, 7, Qt::Key_Left, Field::Gain, 6},
        {Field::Freq, 0, Qt::Key_Left, Field::Freq, 19},
        {Field::Q, 0, Qt::Key_Left, Field::Freq, 19},
        {Field::Gain, 0, Qt::Key_Left, Field::Q, 19},
    };
    for (const Move& m : moves) {
        ui::Edit* edit = wnd->FieldEdit(m.from, m.k);
        edit->setFocus();
        // Left and Right only leave a field from its start or end.
        edit->setCursorPosition(m.key == Qt::Key_Left ? 0 : static_cast<int>(edit->text().size()));
        QTest::keyClick(edit, m.key);
        EXPECT_EQ(Focused(), wnd->FieldEdit(m.to, m.toK))
            << static_cast<int>(m.from) << "/" << m.k << " key " << m.key;
    }
    // Focus on a row selects its point in the graph.
    EXPECT_EQ(wnd->Graph()->SelectedPoint(), 19);
    // With the Q field of point 19 disabled, Left from gain 0 lands on gain 19.
    wnd->FieldEdit(Field::Q, 19)->setEnabled(false);
    wnd->FieldEdit(Field::Gain, 0)->setFocus();
    QTest::keyClick(wnd->FieldEdit(Field::Gain, 0), Qt::Key_Left);
    EXPECT_EQ(Focused(), wnd->FieldEdit(Field::Gain, 19));
}

TEST_F(CustomEqWndTest, IndicesOutOfRangeDoNothing) {
    Connect();
    Open();
    const sim::DeviceState before = amp->Snapshot();
    const auto live = manager->State().live.bands;
    for (int k : {-1, 20, 31, 1000}) {
        wnd->SetChEqEdit(k);
        wnd->SetEqFreqUp(k, true);
        wnd->SetEqQUp(k, false);
        wnd->SetEqGainUp(k, true);
        wnd->OnSliderEdit(k, 50);
        wnd->OnEqEnable(k);
        wnd->EqualizerCallback(k);
        wnd->MoveFocus(Field::Freq, k, QStringLiteral("return"));
        EXPECT_EQ(wnd->FieldEdit(Field::Gain, k), nullptr);
        ui::Notification n;
        n.type = QStringLiteral("click");
        n.sender = QString::fromLatin1(custom_eq_controls::kPtEnablePrefix) + QString::number(k);
        n.userData = QString::number(k);
        wnd->Notify(n);
        n.type = QStringLiteral("valuechanged");
        n.sender = QString::fromLatin1(custom_eq_controls::kEqSliderPrefix) + QString::number(k);
        n.arg = 60;
        wnd->Notify(n);
    }
    // Nothing else is queued before this edit; the amplifier holds nothing more.
    Flush();
    sim::DeviceState after = amp->Snapshot();
    after.scenes[0].outputs[kOutput].bands[11 + 19] =
        before.scenes[0].outputs[kOutput].bands[11 + 19];
    EXPECT_TRUE(after.scenes == before.scenes);
    auto nowLive = manager->State().live.bands;
    nowLive[kOutput][11 + 19] = live[kOutput][11 + 19];
    EXPECT_TRUE(nowLive == live);
}

TEST_F(CustomEqWndTest, WithoutAnOutputOrAConnectionNothingHangs) {
    // Not connected: edits are dropped, and closing returns at once.
    manager->State().live.currOutChannel = 40;
    QTimer::singleShot(100, [] {
        for (ui::Window* w : ui::Window::FindWindows(QStringLiteral("CustomEqWnd"))) {
            if (auto* close = w->FindControl<ui::Button>(
                    QString::fromLatin1(custom_eq_controls::kCloseBtn))) {
                close->click();
            }
        }
    });
    EXPECT_EQ(CCustomEqWnd::Run(owner.get(), *manager), 0);

    manager->State().live.currOutChannel = 1;
    Open();
    EXPECT_EQ(wnd->Output(), 1);
    Type(Field::Gain, 2, "6");
    wnd->FieldEdit(Field::Gain, 3)->setFocus();
    EXPECT_FLOAT_EQ(wnd->PointBand(2).eqGain, 6.0f);
    wnd->FindControl<ui::Button>(QString::fromLatin1(custom_eq_controls::kConfirmBtn))->click();
    EXPECT_FALSE(wnd->isVisible());
    EXPECT_EQ(wnd->Result(), 1);
}

TEST_F(CustomEqWndTest, UndoTakesAPointBackInThisWindowAndOnTheAmplifier) {
    Connect();
    Open();
    const QString before = Text(Field::Gain, 4);
    Type(Field::Gain, 4, "6");
    Key(Field::Gain, 4, Qt::Key_Return);
    ASSERT_TRUE(DeviceSays(4, [](const DeviceBand& b) { return std::fabs(b.gain - 6.0) < 0.05; }));
    // The window's own Ctrl+Z, outside a field that keeps its own undo of typing.
    wnd->setFocus();
    QTest::keyClick(wnd.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(DeviceSays(4, [](const DeviceBand& b) { return std::fabs(b.gain) < 0.05; }));
    EXPECT_EQ(Text(Field::Gain, 4), before);
    // An edit made elsewhere (here a redo) shows in the open window too.
    manager->Redo();
    EXPECT_EQ(Text(Field::Gain, 4), "6.0");
}
