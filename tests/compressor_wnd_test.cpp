// The two compressor windows with real widgets against the virtual amplifier: what they show on
// opening, typed, dragged and stepped values with their clamps and steps, the bypass and on/off
// switches, the focus cycles, and undo. Each accepted change must write exactly one frame for
// exactly one output; the amplifier's compressor records are the judge.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTest>

#include <memory>
#include <vector>

#include "link/subcommands.h"
#include "tool_window_rig.h"
#include "ui/controls.h"
#include "windows/compressor_controls.h"
#include "windows/compressor_wnd.h"
#include "windows/compressors_on_wnd.h"

namespace {

using Param = compressor_fields::Param;
using model_test::Frame;
using Bytes = std::vector<uint8_t>;
namespace cc = compressor_controls;

constexpr int kOutput = 2;

void Type(ui::Edit* edit, const QString& text) {
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    edit->setText(text);
}
void Key(ui::Edit* edit, Qt::Key key) {
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    // Left and Right only leave a field from its start or end.
    edit->setCursorPosition(key == Qt::Key_Left ? 0 : static_cast<int>(edit->text().size()));
    QTest::keyClick(edit, key);
}
QWidget* Focused() {
    return QApplication::focusWidget();
}

// Compressor_Ctrl's bytes after the channel: bypass, noise + 100, ratio, knee, attack, release.
Bytes Full(const sim::OutputState& out) {
    return Bytes(out.compressor.begin(), out.compressor.end());
}

class CompressorWndTest : public window_test::ToolWindowRig {
  protected:
    void CloseWindow() override { wnd.reset(); }
    void Open() {
        manager->State().live.currOutChannel = kOutput;
        wnd = std::make_unique<CCompressorWnd>(owner.get(), *manager);
        ASSERT_TRUE(wnd->Create());
        ASSERT_TRUE(wnd->MissingControls().isEmpty())
            << wnd->MissingControls().join(',').toStdString();
        ShowActive(*wnd);
    }
    QString Text(Param p) const { return wnd->FieldEdit(p)->text(); }
    // The one frame the last change wrote, which must be Compressor_Ctrl for the output.
    Bytes OneFullFrame() {
        const std::vector<Frame> sent = Sent();
        EXPECT_EQ(sent.size(), 1u);
        if (sent.size() != 1) {
            return {};
        }
        EXPECT_EQ(sent[0].size(), 15u);
        EXPECT_EQ(sent[0][0], dsplink::DSP_COMPRESSOR_SETTING);
        EXPECT_EQ(sent[0][3], kOutput);
        return Bytes(sent[0].begin() + 4, sent[0].end());
    }

    std::unique_ptr<CCompressorWnd> wnd;
};

TEST_F(CompressorWndTest, OpensOnTheCurrentOutputsCompressor) {
    model::ProfileRecord& live = manager->State().live;
    live.compressorBypass[kOutput] = 0;
    live.compressorThreshold[kOutput] = -12.5f;
    live.compressorRatio[kOutput] = 4.0f;
    live.compressorAttack[kOutput] = 37;
    live.compressorRelease[kOutput] = 300;
    live.compressorKnee[kOutput] = 6.0f;
    Open();
    EXPECT_EQ(wnd->Output(), kOutput);
    EXPECT_EQ(wnd->FindControl<ui::Label>(cc::kCurrChannelText)->text(), "CH3");
    const struct {
        Param p;
        const char* text;
        int position;
    } rows[] = {{Param::Threshold, "-12.5dB", -125},
                {Param::Ratio, "4.0", 40},
                {Param::Attack, "37ms", 37},
                {Param::Release, "300ms", 300},
                {Param::Knee, "6.0dB", 60}};
    for (const auto& row : rows) {
        EXPECT_EQ(Text(row.p), row.text);
        EXPECT_EQ(wnd->FieldSlider(row.p)->Value(), row.position);
    }
    EXPECT_FALSE(wnd->FindControl<ui::SButton>(cc::kBtnBp)->IsSelected());
    // Opening and looking send nothing.
    Key(wnd->FieldEdit(Param::Threshold), Qt::Key_Right);
    Key(wnd->FieldEdit(Param::Ratio), Qt::Key_Right);
    EXPECT_TRUE(Sent().empty());
}

TEST_F(CompressorWndTest, TypedValuesAreClampedToTheFadersAndSentOnce) {
    Open();
    // Beyond the fader: the limit, with one decimal and its unit.
    Type(wnd->FieldEdit(Param::Threshold), "500");
    Key(wnd->FieldEdit(Param::Threshold), Qt::Key_Return);
    EXPECT_EQ(Text(Param::Threshold), "127.0dB");
    EXPECT_EQ(wnd->FieldSlider(Param::Threshold)->Value(), 1270);
    EXPECT_EQ(OneFullFrame(), (Bytes{1, 227, 0, 100, 0, 24, 0, 0x03, 0xE8, 0x75, 0x30}));
    // Leaving a typed field applies it; tenths are what the amplifier keeps.
    Type(wnd->FieldEdit(Param::Threshold), "-12.34");
    wnd->FieldEdit(Param::Ratio)->setFocus();
    EXPECT_EQ(Text(Param::Threshold), "-12.3dB");
    EXPECT_EQ(OneFullFrame().at(1), 87);
    Type(wnd->FieldEdit(Param::Ratio), "0.2");
    Key(wnd->FieldEdit(Param::Ratio), Qt::Key_Return);
    EXPECT_EQ(Text(Param::Ratio), "1.0");
    EXPECT_EQ(OneFullFrame().at(3), 1);
    Type(wnd->FieldEdit(Param::Attack), "12.9ms");
    Key(wnd->FieldEdit(Param::Attack), Qt::Key_Return);
    EXPECT_EQ(Text(Param::Attack), "12ms");
    EXPECT_EQ(OneFullFrame().at(8), 12);
    // The same value again, typed or committed: nothing.
    Type(wnd->FieldEdit(Param::Attack), "12");
    Key(wnd->FieldEdit(Param::Attack), Qt::Key_Return);
    Key(wnd->FieldEdit(Param::Attack), Qt::Key_Return);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(Full(Output(Device(), kOutput)), (Bytes{1, 87, 7, 1, 0, 24, 0, 0, 12, 0x75, 0x30}));
}

TEST_F(CompressorWndTest, StepsMoveByTheParametersStepAndStopAtTheEnds) {
    manager->State().live.compressorAttack[kOutput] = 37;
    manager->State().live.compressorRelease[kOutput] = 65500;
    Open();
    Key(wnd->FieldEdit(Param::Attack), Qt::Key_Up);
    EXPECT_EQ(Text(Param::Attack), "47ms");  // not rounded in this window
    EXPECT_EQ(OneFullFrame().at(8), 47);
    Key(wnd->FieldEdit(Param::Release), Qt::Key_Up);  // at the fader's top
    EXPECT_TRUE(Sent().empty());
    Key(wnd->FieldEdit(Param::Release), Qt::Key_Down);
    EXPECT_EQ(Text(Param::Release), "65400ms");
    EXPECT_EQ(OneFullFrame().at(10), 0x78);  // 65400 = 0xFF78
    Key(wnd->FieldEdit(Param::Knee), Qt::Key_Down);
    EXPECT_EQ(Text(Param::Knee), "23.9dB");
    EXPECT_EQ(OneFullFrame().at(6), 9);
    // A drag takes the fader's value and puts the focus on its field, text selected.
    wnd->FieldSlider(Param::Ratio)->SetValue(255, ui::NotifyMode::Notify);
    EXPECT_EQ(Text(Param::Ratio), "25.5");
    EXPECT_EQ(Focused(), wnd->FieldEdit(Param::Ratio));
    EXPECT_EQ(wnd->FieldEdit(Param::Ratio)->selectedText(), "25.5");
    EXPECT_EQ(OneFullFrame().at(3), 25);
    // The bypass button shows and turns over the bypass.
    auto* bypass = wnd->FindControl<ui::SButton>(cc::kBtnBp);
    EXPECT_TRUE(bypass->IsSelected());
    bypass->click();
    EXPECT_FALSE(bypass->IsSelected());
    EXPECT_EQ(OneFullFrame().at(0), 0);
    EXPECT_EQ(Output(Device(), kOutput).compressor[0], 0);
}

TEST_F(CompressorWndTest, RightAndLeftCycleThroughTheFields) {
    Open();
    const Param cycle[] = {Param::Threshold, Param::Ratio, Param::Attack,
                           Param::Release,   Param::Knee,  Param::Threshold};
    for (size_t i = 0; i + 1 < std::size(cycle); ++i) {
        Key(wnd->FieldEdit(cycle[i]), Qt::Key_Right);
        EXPECT_EQ(Focused(), wnd->FieldEdit(cycle[i + 1])) << i;
        Key(wnd->FieldEdit(cycle[i + 1]), Qt::Key_Left);
        EXPECT_EQ(Focused(), wnd->FieldEdit(cycle[i])) << i;
    }
}

TEST_F(CompressorWndTest, UndoPutsTheAmplifierBack) {
    Open();
    const Bytes before = Full(Output(Device(), kOutput));
    Type(wnd->FieldEdit(Param::Attack), "250");
    Key(wnd->FieldEdit(Param::Attack), Qt::Key_Return);
    ASSERT_EQ(OneFullFrame().at(8), 250);
    wnd->setFocus();
    QTest::keyClick(wnd.get(), Qt::Key_Z, Qt::ControlModifier);
    Sent();
    EXPECT_EQ(Full(Output(Device(), kOutput)), before);
    EXPECT_EQ(Text(Param::Attack), "1000ms");
}

// ---- all outputs ----

class CompressorsOnWndTest : public window_test::ToolWindowRig {
  protected:
    void CloseWindow() override { wnd.reset(); }
    void Open() {
        wnd = std::make_unique<CCompressorsOnWnd>(owner.get(), *manager);
        ASSERT_TRUE(wnd->Create());
        ASSERT_TRUE(wnd->MissingControls().isEmpty())
            << wnd->MissingControls().join(',').toStdString();
        ShowActive(*wnd);
    }
    // The one frame the last change wrote: subcmd, then the payload after the channel block's
    // head, which must name only `channel`.
    Bytes OneFrame(uint8_t subcmd, int channel) {
        const std::vector<Frame> sent = Sent();
        EXPECT_EQ(sent.size(), 1u);
        if (sent.size() != 1 || sent[0].size() < 5) {
            return {};
        }
        EXPECT_EQ(sent[0][0], subcmd);
        EXPECT_EQ(sent[0][3], channel);
        EXPECT_EQ(sent[0][4], channel);
        return Bytes(sent[0].begin() + 5, sent[0].end());
    }

    std::unique_ptr<CCompressorsOnWnd> wnd;
};

TEST_F(CompressorsOnWndTest, OpensWithEveryOutputsSwitchAndValues) {
    manager->State().live.channels[4].compressorOn = 0;
    manager->State().live.compressorThreshold[9] = -3.5f;
    Open();
    for (int c = 0; c < CCompressorsOnWnd::kChannels; ++c) {
        EXPECT_TRUE(wnd->FindWidget(QString::asprintf(cc::kColumnFormat, c))->isVisible());
        EXPECT_EQ(wnd->Switch(c)->IsSelected(), c != 4) << c;
        EXPECT_EQ(wnd->FieldEdit(Param::Attack, c)->text(), "1000ms");
        EXPECT_EQ(wnd->FieldEdit(Param::Release, c)->text(), "30000ms");
    }
    EXPECT_EQ(wnd->FieldEdit(Param::Threshold, 9)->text(), "-3.5dB");
    EXPECT_EQ(wnd->FieldSlider(Param::Threshold, 9)->Value(), -35);
    EXPECT_EQ(wnd->FieldEdit(Param::Ratio, 0), nullptr);
    EXPECT_EQ(wnd->FieldEdit(Param::Attack, 12), nullptr);
    // The picture of the README.
    QDir().mkpath(QStringLiteral(SHOTS_DIR));
    EXPECT_TRUE(wnd->grab().save(QStringLiteral(SHOTS_DIR "/compressors_on.png")));
}

TEST_F(CompressorsOnWndTest, StepsLandOnMultiplesOfTheStepForOneOutput) {
    manager->State().live.compressorAttack[5] = 37;
    manager->State().live.compressorRelease[0] = 65500;
    Open();
    Key(wnd->FieldEdit(Param::Attack, 5), Qt::Key_Up);
    EXPECT_EQ(wnd->FieldEdit(Param::Attack, 5)->text(), "40ms");  // 47, rounded down
    // Threshold 64 dB, attack 40 ms, release 30 s.
    EXPECT_EQ(OneFrame(dsplink::DSP_COMPRESSOR_SETTING2, 5), (Bytes{64, 0, 0, 40, 30, 0}));
    Key(wnd->FieldEdit(Param::Attack, 5), Qt::Key_Down);
    EXPECT_EQ(wnd->FieldEdit(Param::Attack, 5)->text(), "30ms");
    EXPECT_EQ(OneFrame(dsplink::DSP_COMPRESSOR_SETTING2, 5).at(3), 30);
    Key(wnd->FieldEdit(Param::Release, 0), Qt::Key_Up);  // at the fader's top
    EXPECT_TRUE(Sent().empty());
    Key(wnd->FieldEdit(Param::Threshold, 11), Qt::Key_Down);
    EXPECT_EQ(wnd->FieldEdit(Param::Threshold, 11)->text(), "63.9dB");
    EXPECT_EQ(OneFrame(dsplink::DSP_COMPRESSOR_SETTING2, 11).at(1), 9);
    // The full record of the output follows.
    EXPECT_EQ(Full(Output(Device(), 5)), (Bytes{1, 164, 0, 100, 0, 24, 0, 0, 30, 0x75, 0x30}));
}

TEST_F(CompressorsOnWndTest, TypedValuesAreClampedAndTheSwitchSendsItsOwnCommand) {
    Open();
    Type(wnd->FieldEdit(Param::Threshold, 3), "-500");
    Key(wnd->FieldEdit(Param::Threshold, 3), Qt::Key_Return);
    EXPECT_EQ(wnd->FieldEdit(Param::Threshold, 3)->text(), "-100.0dB");
    EXPECT_EQ(OneFrame(dsplink::DSP_COMPRESSOR_SETTING2, 3), (Bytes{0x9C, 0, 0x03, 0xE8, 30, 0}));
    // Tenths of a second are what this command carries: 250 ms is kept as 300.
    Type(wnd->FieldEdit(Param::Release, 3), "250");
    Key(wnd->FieldEdit(Param::Release, 3), Qt::Key_Return);
    EXPECT_EQ(wnd->FieldEdit(Param::Release, 3)->text(), "300ms");
    EXPECT_EQ(OneFrame(dsplink::DSP_COMPRESSOR_SETTING2, 3).at(5), 3);
    Key(wnd->FieldEdit(Param::Release, 3), Qt::Key_Return);
    EXPECT_TRUE(Sent().empty());

    QTest::mouseClick(wnd->Switch(3), Qt::LeftButton);
    EXPECT_EQ(OneFrame(dsplink::DSP_COMPRESSOR_ON_CH, 3), (Bytes{0}));
    EXPECT_EQ(Output(Device(), 3).compressorOn, 0);
    EXPECT_EQ(Output(Device(), 2).compressorOn, 1);
    // Undo turns it on again on the amplifier.
    wnd->setFocus();
    QTest::keyClick(wnd.get(), Qt::Key_Z, Qt::ControlModifier);
    Sent();
    EXPECT_EQ(Output(Device(), 3).compressorOn, 1);
    EXPECT_TRUE(wnd->Switch(3)->IsSelected());
}

TEST_F(CompressorsOnWndTest, FocusWalksAlongTheOutputsThenToTheNextParameter) {
    Open();
    const struct {
        Param from;
        int channel;
        Qt::Key key;
        Param to;
        int toChannel;
    } moves[] = {
        {Param::Threshold, 4, Qt::Key_Right, Param::Threshold, 5},
        {Param::Threshold, 11, Qt::Key_Right, Param::Attack, 0},
        {Param::Attack, 11, Qt::Key_Right, Param::Release, 0},
        {Param::Release, 11, Qt::Key_Right, Param::Threshold, 0},
        {Param::Attack, 6, Qt::Key_Left, Param::Attack, 5},
        {Param::Threshold, 0, Qt::Key_Left, Param::Release, 11},
        {Param::Release, 0, Qt::Key_Left, Param::Attack, 11},
    };
    for (const auto& m : moves) {
        Key(wnd->FieldEdit(m.from, m.channel), m.key);
        EXPECT_EQ(Focused(), wnd->FieldEdit(m.to, m.toChannel)) << m.channel << " " << m.key;
    }
    EXPECT_TRUE(Sent().empty());
}

}  // namespace
