#pragma once
// High-pass/low-pass filter records; the setters keep every stored value in range.

namespace model {

inline constexpr int CROSSOVER_MIN_FS = 20;
inline constexpr int CROSSOVER_MAX_FS = 20000;

enum CrossoverFilterType { kButterworth = 1, kLinkwitzRiley = 2, kBessel = 3 };

class CrossoverFilter {
  public:
    CrossoverFilter() = default;
    CrossoverFilter(int fs, int type, int slope) {
        SetFs(fs);
        SetType(type);
        SetSlope(slope);
    }

    int fs() const { return mFs; }
    int type() const { return mType; }
    int slope() const { return mSlope; }
    int bypass() const { return mBypass; }

    // Out-of-range values fall back to 20 Hz rather than clamping, as the device does.
    void SetFs(int fs);
    void SetType(int type);
    // Slope 0 means the side is off, so bypass follows it.
    void SetSlope(int slope);

    bool operator==(const CrossoverFilter&) const = default;

  private:
    int mFs = CROSSOVER_MIN_FS;
    int mType = kButterworth;
    int mSlope = 0;
    int mBypass = 1;
};

// bpType: 0 both sides off, 1 high-pass only, 2 low-pass only, 3 both.
struct Crossover {
    int bpType = 0;
    CrossoverFilter hp{CROSSOVER_MIN_FS, kButterworth, 0};
    CrossoverFilter lp{CROSSOVER_MAX_FS, kButterworth, 0};

    bool operator==(const Crossover&) const = default;
};

// bpType derived from which sides are in circuit.
int BpTypeOf(const CrossoverFilter& hp, const CrossoverFilter& lp);

// Default crossover of a speaker type; codes outside 0..24 use row 0.
Crossover CrossoverForType(int speakerType);

}  // namespace model
