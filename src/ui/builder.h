#pragma once
// Turns layout nodes into widgets inside a window. Internal to the toolkit.

#include <QList>
#include <QPointer>
#include <QString>

#include "ui/layout.h"

class QWidget;

namespace ui {

class Window;

// Property names the toolkit keeps on every widget it builds.
inline constexpr char kRectProperty[] = "uiRect";          // QRect in layout units
inline constexpr char kFontSizeProperty[] = "uiFontSize";  // int, layout pixels
inline constexpr char kBoldProperty[] = "uiBold";          // bool
inline constexpr char kUserDataProperty[] = "uiUserData";  // for custom controls
inline constexpr char kTextProperty[] = "uiText";          // raw text, for custom controls
inline constexpr char kToolTipProperty[] = "uiToolTip";    // raw tooltip, for custom controls

class LayoutBuilder {
  public:
    explicit LayoutBuilder(Window* window) : mWindow(window) {}

    // Builds the children of node into container. On failure the widgets built by this call
    // are deleted again and *error names file, line and problem.
    bool BuildChildren(const LayoutNode& node, QWidget* container, QString* error);

  private:
    bool Build(const LayoutNode& node, QWidget* container, QString* error);
    QWidget* Create(const LayoutNode& node, bool* custom, QString* error);
    bool ApplyCommon(QWidget* widget, const LayoutNode& node, QString* error);

    Window* mWindow;
    QList<QPointer<QWidget>> mBuilt;
};

}  // namespace ui
