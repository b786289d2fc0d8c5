#pragma once
// Layout tags beyond the toolkit's own, shared by every window: a control library registers
// its tags once, and any layout may then use them. A window's own CreateCustomControl is asked
// first.

#include <QString>

#include <functional>

class QWidget;

namespace ui {

struct LayoutNode;

// nullptr with *error set when the node's attributes do not make a control.
using ControlFactory = std::function<QWidget*(const LayoutNode& node, QString* error)>;

// A later registration of the same tag replaces the earlier one.
void RegisterControl(const QString& tag, ControlFactory factory);

// The registered control for tag; *known says whether the tag is registered at all.
QWidget* CreateRegisteredControl(const QString& tag, const LayoutNode& node, QString* error,
                                 bool* known);

}  // namespace ui
