#pragma once
// The custom EQ window: the 20 parametric points of the current output (its bands 11..30),
// edited through a column of fields per point (frequency, Q, gain), a gain slider, an on/off
// switch and the window's own graph. The window binds and draws; the EQ operations read,
// clamp, store and send each point on that output alone (no link partner or group follows).

#include <QString>

#include <array>
#include <string>

#include "model/eq_operations.h"
#include "model/model_changes.h"
#include "model/profile_record.h"
#include "windows/dialog_wnd.h"

namespace model {
class EqualizerManager;
}  // namespace model
class UIEqualizer;

class CCustomEqWnd final : public CDialogWnd, public model::ModelSubscriber {
  public:
    static constexpr char kLayout[] = "XML_CUSTOM_EQ";
    static constexpr int kPoints = model::CUSTOM_EQ_POINTS;
    // Point k is band k + kFirstBand of the current output.
    static constexpr int kFirstBand = model::CUSTOM_EQ_FIRST_BAND;
    static constexpr const auto& kFactoryFreq = model::CUSTOM_EQ_FACTORY_FREQ;
    static constexpr const auto& kFactoryGain = model::CUSTOM_EQ_FACTORY_GAIN;

    // The three fields of a point, top to bottom.
    using Field = model::BandField;

    CCustomEqWnd(QWidget* owner, model::EqualizerManager& manager);
    ~CCustomEqWnd() override;

    // Builds the layout and shows the current output's points. False when the layout failed.
    bool Create();
    // Opens the window modally over owner.
    static int Run(QWidget* owner, model::EqualizerManager& manager);

    // The output whose points are shown (fixed when the window opens), -1 when it has none.
    int Output() const { return mOutput; }
    // The point as the live record holds it; a default band for an index outside 0..19.
    model::EqBand PointBand(int k) const;
    // The 20 records as they were when the window opened.
    const std::array<model::EqBand, kPoints>& Snapshot() const { return mSnapshot; }
    // Gain limits in dB, from the point's slider range.
    float MinGain(int k) const;
    float MaxGain(int k) const;

    // The operations behind the controls; an index outside 0..19 does nothing.
    void SetChEqEdit(int k);
    void SetEqFreqUp(int k, bool up);
    void SetEqQUp(int k, bool up);
    void SetEqGainUp(int k, bool up);
    void OnSliderEdit(int k, int value);
    void OnEqEnable(int k);
    // Both ask first.
    void SetOutputEqReset();
    void SetOutputEqRestore();
    // Redraws the graph from the record with point `selected` marked (-1: none).
    void UpdateEqualizer(int selected);
    // The graph moved point k: takes its frequency, Q and gain.
    void EqualizerCallback(int k);
    // Moves the keyboard focus from field f of point k as the key notification says.
    void MoveFocus(Field f, int k, const QString& type);

    ui::Edit* FieldEdit(Field f, int k) const;
    UIEqualizer* Graph() const { return mGraph; }

    void Notify(const ui::Notification& n) override;
    // Another window, a reply or an undo changed the points: they are shown again.
    void OnModelChange(const model::ModelChange& change) override;

  protected:
  private:
    struct Row {
        ui::Edit* freq = nullptr;
        ui::Edit* q = nullptr;
        ui::Edit* gain = nullptr;
        ui::Slider* slider = nullptr;
        ui::SButton* enable = nullptr;
    };

    // A row's texts, held while the operations read them.
    struct RowTexts {
        std::string freq;
        std::string q;
        std::string gain;
        model::BandTexts View() const { return {freq, q, gain}; }
    };

    static bool ValidPoint(int k) { return k >= 0 && k < kPoints; }
    model::GainRange Range(int k) const { return {MinGain(k), MaxGain(k)}; }
    RowTexts Texts(int k) const;
    // Runs an operation on point k's band and shows the row again unless it was refused;
    // the window's own change is not redrawn a second time when it is told.
    template <typename Op>
    model::BandEditResult EditPoint(int k, Op op);
    // The graph follows a change with the point selected.
    void SelectIfChanged(int k, model::BandEditResult result);
    void FindControls();
    void RefreshFields();
    void RefreshRow(int k);
    // The focus moves without the graph following the rows it passes.
    void FocusQuietly(QWidget* field);
    // Gives field f of point k the focus, then steps it from its text.
    void Step(Field f, int k, bool up);

    model::EqualizerManager& mManager;
    int mOutput = -1;
    std::array<model::EqBand, kPoints> mSnapshot{};
    std::array<Row, kPoints> mRows{};
    UIEqualizer* mGraph = nullptr;
    // Set while the window moves the focus itself during a graph edit.
    bool mQuietFocus = false;
    // Set while this window's own edit is told to the others.
    bool mTelling = false;
    std::array<double, model::CURVE_POINTS> mGrid{};
    std::array<double, model::CURVE_POINTS> mSum{};
};
