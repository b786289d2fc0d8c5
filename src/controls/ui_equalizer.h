#pragma once
// The equalizer graph: the response curves of the outputs, the EQ points of the current output
// and its high-pass / low-pass handles. It owns no sound data; the model pushes points, curves
// and crossover frequencies in, and reads the edited values back when the graph notifies it:
//
//   "equalizer_eq"  / "equalizer_eq_release"  a point or its Q was dragged (arg: point index)
//   "equalizer_hp"  / "equalizer_hp_release"  the high-pass handle was dragged (arg: 0)
//   "equalizer_lp"  / "equalizer_lp_release"  the low-pass handle was dragged (arg: 0)
//
// The selected point's index is also kept as the user data text. Hovering shows a readout of
// the frequency and the current output's level under the mouse and sends nothing.

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "controls/ui_equalizer_geometry.h"
#include "ui/controls.h"
#include "ui/layout.h"

struct EqPoint {
    float gain = 0.0f;  // dB
    float q = 1.0f;
    int freq = 1000;  // Hz
    uint8_t enabled = 0;
};

class UIEqualizer : public QWidget, public ui::Control {
  public:
    static constexpr int kMaxPoints = 31;
    static constexpr int kMaxCurves = 12;
    static constexpr int kCurvePoints = 512;
    static constexpr int kMaxColors = 12;

    enum class Capture { None, Index, Factor, Hp, Lp };

    // One channel's curve as the model holds it: a frequency grid and the dB values on it.
    struct CurveView {
        std::span<const double> freqs;
        std::span<const double> db;
    };

    explicit UIEqualizer(QWidget* parent = nullptr);

    // For a window's CreateCustomControl("Curve", node): reads the graph's own attributes.
    // nullptr with *error (file, line, problem) when one does not parse.
    static UIEqualizer* FromLayout(const ui::LayoutNode& node, QString* error);

    // Copies up to 31 points; selected outside 0..count-1 means none.
    void SetPoints(std::span<const EqPoint> points, int selected);
    EqPoint Point(int i) const;
    int PointCount() const { return mPointCount; }
    int SelectedPoint() const { return mCurrentControlIndex; }

    // Frequencies outside 20..20000 Hz hide their handle (read back as -1).
    void SetCrossover(int hpFreq, int lpFreq);
    int HpFreq() const { return mHpFreq; }
    int LpFreq() const { return mLpFreq; }

    // Copies up to 12 curves of up to 512 points; visible[i] != 0 shows curve i when it is not
    // the current one. An empty list leaves the curves as they are.
    void SetCurves(std::span<const CurveView> curves, int current, std::span<const int> visible);
    int CurveCount() const { return mCurveCount; }
    int CurrentCurve() const { return mCurrentCurve; }

    // Traces drawn apart from the outputs' curves: the current output as the other A/B slot
    // holds it, and an imported filter list waiting to be applied. An empty view removes one.
    enum class Trace { OtherSlot, Preview };
    static constexpr int kTraceCount = 2;
    void SetTrace(Trace which, CurveView curve);
    bool HasTrace(Trace which) const { return mTraceShown[static_cast<size_t>(which)] != 0; }

    // One more curve: the sum of every shown output's curve, the current one included. A view
    // setting only; nothing is sent.
    void SetShowSum(bool show);
    bool ShowSum() const { return mShowSum; }
    // The sum as last computed; empty unless shown and at least two curves on one grid add up.
    CurveView SumCurve() const;

    // The level of a curve at a frequency, interpolated on its grid (linear over log
    // frequency); none outside the grid or where a value is not finite.
    static std::optional<double> LevelAt(CurveView curve, double freq);

    // true: points move in frequency and gain and have Q handles (PEQ); false: gain only.
    void SetDragAllDirection(bool all);
    bool DragAllDirection() const { return mDragAllDirection; }

    void SetCurveColors(std::span<const QRgb> colors);
    void SetLogo(const QString& skinPath);
    void SetBackground(const QColor& color);

    Capture CaptureState() const { return mCapture; }
    // Whether the last paint showed the flat-curve text.
    bool BypassTextShown() const { return mBypassTextShown; }

    // Pixels and rectangles as laid out (widget coordinates), for callers that place things
    // over the graph.
    eqgraph::Plot PlotArea() const { return mPlot; }
    QPoint PointPixel(int i) const;
    QRect MarkerRect(int i) const;
    QRect ValueLabelRect() const { return mValueRect; }
    QRect QHandleRect(bool right) const { return right ? mQRight : mQLeft; }
    QRect HpHandleRect() const { return mHpRect; }
    QRect LpHandleRect() const { return mLpRect; }
    // Where point i's number is drawn: its marker, or moved off it so that no two overlap.
    // Hit tests still use the marker.
    QRect NumberRect(int i) const;
    int ScalePercent() const;

    // The axis labels as laid out on the last resize, scale or language change; a label that
    // would crowd its neighbour is left out (rect empty).
    struct AxisLabel {
        int value = 0;  // Hz or dB
        QString text;
        QRect rect;
    };
    std::span<const AxisLabel> FreqLabels() const { return mFreqLabels; }
    std::span<const AxisLabel> DbLabels() const { return mDbLabels; }

    // The readout under the mouse: shown while it hovers the plot, off points and handles.
    bool ReadoutShown() const { return mReadout.shown; }
    double ReadoutFreq() const { return mReadout.freq; }
    // The current output's level there, read again whenever its curve changes.
    std::optional<double> ReadoutLevel() const;
    QString ReadoutText() const;
    QRect ReadoutRect() const { return mReadout.rect; }

    void OnScale(int dpi) override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    struct Curve {
        std::array<double, kCurvePoints> freqs{};
        std::array<double, kCurvePoints> db{};
        int count = 0;  // points set; the rest are never read
        CurveView View() const;
    };
    struct Readout {
        bool shown = false;
        QPoint pos;
        double freq = 0.0;
        QRect rect;
    };

    // The plot and the axis labels: on resize, scale, font and language changes only.
    void LayoutFrame();
    void InvalidateFrame();
    // For a change to what lies under the points: the kept picture of it is drawn again.
    void Repaint();
    void FullLayout();
    void PartialLayout();
    void LayoutSelection();
    void LayoutHandles();
    void LayoutNumbers();
    void UpdateSum();
    // Shows the readout for the mouse at pos, or hides it (nullopt).
    void SetReadout(std::optional<QPoint> pos);
    QFont AxisFont(int s) const;
    QColor TextColor() const;
    bool ValidPoint(int i) const { return i >= 0 && i < mPointCount; }
    int PointAt(QPoint pos) const;
    bool InQHandle(QPoint pos) const;
    void Select(int i);
    // Moves the captured point to pos; true when its gain or frequency changed.
    bool DragPointTo(QPoint pos, bool always);
    // Sends a notification; false when the control went away while it was handled.
    bool Send(const char* type, int arg);
    void UpdateFlat();

    // Background, grid and axis labels, drawn once into mFrame.
    void PaintFrame(QPainter& painter, int s) const;
    // The frame, logo or flat-curve text, curves, traces and sum, kept in mLayer: a paint for
    // the marks or the readout alone draws none of it again.
    void PaintLayer(QPainter& painter, int s);
    void PaintGrid(QPainter& painter, int s) const;
    void PaintCurve(QPainter& painter, const Curve& curve, bool smooth, QColor color, double width,
                    Qt::PenStyle style = Qt::SolidLine) const;
    void PaintMarks(QPainter& painter);
    void PaintReadout(QPainter& painter, int s) const;
    QString ValueText() const;

    eqgraph::Plot mPlot;
    std::array<EqPoint, kMaxPoints> mPoints{};
    std::array<QPoint, kMaxPoints> mPixels{};
    std::array<QRect, kMaxPoints> mMarkers{};
    std::array<QRect, kMaxPoints> mNumbers{};
    int mPointCount = 0;
    int mCurrentControlIndex = -1;
    bool mDragAllDirection = false;
    Capture mCapture = Capture::None;
    int mHpFreq = -1;
    int mLpFreq = -1;
    QRect mValueRect;
    QRect mQLeft;
    QRect mQRight;
    QRect mHpRect;
    QRect mLpRect;
    std::array<Curve, kMaxCurves> mCurves{};
    int mCurveCount = 0;
    int mCurrentCurve = -1;
    std::array<uint8_t, kMaxCurves> mCurveVisible{};
    std::array<Curve, kTraceCount> mTraces{};
    std::array<uint8_t, kTraceCount> mTraceShown{};
    bool mShowSum = false;
    Curve mSum;
    std::vector<AxisLabel> mFreqLabels;
    std::vector<AxisLabel> mDbLabels;
    QSize mNumberSize;
    QSize mReadoutSize;
    bool mFrameValid = false;
    QPixmap mFrame;
    bool mFramePainted = false;
    QPixmap mLayer;
    bool mLayerPainted = false;
    Readout mReadout;
    std::array<QRgb, kMaxColors> mColors{};
    int mColorCount = 0;
    bool mAllFlat = true;
    bool mLayoutValid = false;
    bool mBypassTextShown = false;
    QString mLogo;
    QColor mBackground;

    // Text attributes of the skin, as a label takes them. The toolkit has no numbered fonts,
    // so both texts use the control's font; the marks keep their fixed colours.
    int mFont = -1;
    int mBypassFont = -1;
    QColor mTextColor;
    QColor mDisabledTextColor;
    QRect mTextPadding;
    int mTextFlags = Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine;
    bool mEndEllipsis = false;
    bool mAutoCalcWidth = false;
};
