#pragma once
// A round progress indicator: the toolkit's progress control (value, range, bkcolor and
// forecolor from the layout) drawn as a ring that fills clockwise from the bottom.

#include "ui/controls/progress_bar.h"

class CCircleProgressUI : public ui::ProgressBar {
  public:
    static constexpr char kClassName[] = "CircleProgress";
    // The white middle that leaves a ring, per side at 100 %.
    static constexpr int kInset = 10;

    explicit CCircleProgressUI(QWidget* parent = nullptr);

    // For the "CircleProgress" tag: the progress control's attributes. nullptr with *error
    // (file, line, problem) when one does not parse.
    static CCircleProgressUI* FromLayout(const ui::LayoutNode& node, QString* error);

    QString ClassName() const { return QLatin1String(kClassName); }
    // Degrees of the filled part, 0..360; 0 when the range is empty.
    int SweepDegrees() const;

    void OnScale(int dpi) override;

  protected:
    void paintEvent(QPaintEvent* event) override;
};
