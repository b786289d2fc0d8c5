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

#include "ui/controls/button.h"
#include "ui/controls/check_box.h"
#include "ui/controls/combo.h"
#include "ui/controls/control.h"
#include "ui/controls/edit.h"
#include "ui/controls/group.h"
#include "ui/controls/image.h"
#include "ui/controls/label.h"
#include "ui/controls/list.h"
#include "ui/controls/option.h"
#include "ui/controls/progress_bar.h"
#include "ui/controls/sbutton.h"
#include "ui/controls/slider.h"
