#pragma once
// The toolkit's controls. Each is a Qt widget plus the Control mixin, which carries what every
// control has: its name (the QObject name), user data text, raw text and tooltip (possibly
// holding "${key}"s, resolved again on every language change), and the path for notifications
// to the window that owns it.
//
// Notifications come from the user's input only. Setters called from code are silent unless
// given NotifyMode::Notify; focus notifications ("setfocus", "killfocus") are the exception and
// follow the focus however it moves.
//
// One control per file in controls/; this header brings in all of them.

#include "controls/button.h"
#include "controls/check_box.h"
#include "controls/combo.h"
#include "controls/control.h"
#include "controls/edit.h"
#include "controls/group.h"
#include "controls/image.h"
#include "controls/label.h"
#include "controls/list.h"
#include "controls/option.h"
#include "controls/progress_bar.h"
#include "controls/sbutton.h"
#include "controls/slider.h"
