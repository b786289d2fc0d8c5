#pragma once
// What a window hears from its controls: a type ("click", "valuechanged", ...), the sender's
// control name, the sender itself and one integer argument.

#include <QString>

class QAction;
class QWidget;

namespace ui {

namespace notify {
inline constexpr char kClick[] = "click";
inline constexpr char kSelectChanged[] = "selectchanged";
inline constexpr char kItemSelect[] = "itemselect";
inline constexpr char kItemClick[] = "itemclick";
inline constexpr char kItemActivate[] = "itemactivate";
inline constexpr char kValueChanged[] = "valuechanged";
inline constexpr char kMoveValueChanged[] = "movevaluechanged";
inline constexpr char kValueChangedUp[] = "valuechangedup";
inline constexpr char kValueChangedDown[] = "valuechangeddown";
inline constexpr char kValueChangedLeft[] = "valuechangedleft";
inline constexpr char kValueChangedRight[] = "valuechangedright";
inline constexpr char kReturn[] = "return";
inline constexpr char kSetFocus[] = "setfocus";
inline constexpr char kKillFocus[] = "killfocus";
inline constexpr char kWindowInit[] = "windowinit";
inline constexpr char kWindowSize[] = "windowsize";
}  // namespace notify

// Whether a change made from code also tells the window, as the same change by the user would.
// Silent is the default everywhere; Notify is for the few callers that rely on the handler.
enum class NotifyMode { Silent, Notify };

struct Notification {
    QString type;
    QString sender;              // the control's name; for a menu, the chosen item's name
    QWidget* control = nullptr;  // the sender (for a menu item, the menu)
    int arg = 0;                 // selected state, value, row or item index; see README.md
    QString userData;            // the sender's user data text at the time of the notification
    QAction* item = nullptr;     // the chosen menu item, for "itemclick" from a menu

    bool Is(const char* t) const { return type == QLatin1String(t); }
    bool Is(const char* t, const char* name) const {
        return Is(t) && sender == QLatin1String(name);
    }
    // For numbered controls: "ch_mute_" matches "ch_mute_3".
    bool SenderStartsWith(const char* prefix) const {
        return sender.startsWith(QLatin1String(prefix));
    }
    // The user data as an integer: the index of a numbered control.
    int Index(int fallback = -1) const {
        bool ok = false;
        const int value = userData.toInt(&ok);
        return ok ? value : fallback;
    }
    // A step of a drag (a slider held down, a graph point or handle moved) that a later
    // notification of the same control ends: "movevaluechanged", "equalizer_*" but not
    // "*_release".
    bool InGesture() const {
        return Is(notify::kMoveValueChanged) || (type.startsWith(QLatin1String("equalizer_")) &&
                                                 !type.endsWith(QLatin1String("_release")));
    }
};

}  // namespace ui
