#include "ui/builder.h"

#include <algorithm>

#include "shell/run_log.h"
#include "ui/control_factory.h"
#include "ui/controls.h"
#include "ui/resources.h"
#include "ui/window.h"

namespace ui {

namespace {

const QStringList& CommonAttributes() {
    static const QStringList names = {
        QStringLiteral("name"),    QStringLiteral("pos"),       QStringLiteral("text"),
        QStringLiteral("tooltip"), QStringLiteral("userdata"),  QStringLiteral("visible"),
        QStringLiteral("enabled"), QStringLiteral("fontsize"),  QStringLiteral("bold"),
        QStringLiteral("class"),   QStringLiteral("textcolor"), QStringLiteral("bkcolor")};
    return names;
}

void WarnUnknownAttributes(const LayoutNode& node, const QStringList& known) {
    for (const auto& attribute : node.attributes) {
        // Not a structured binding: clang before 16 cannot capture one in the lambda.
        const QString& name = attribute.first;
        const auto matches = [&](const QString& k) {
            return k.compare(name, Qt::CaseInsensitive) == 0;
        };
        if (std::none_of(CommonAttributes().begin(), CommonAttributes().end(), matches) &&
            std::none_of(known.begin(), known.end(), matches)) {
            runlog::Log("layout: %s<%s> has unknown attribute \"%s\"\n",
                        node.Where().toUtf8().constData(), node.tag.toUtf8().constData(),
                        name.toUtf8().constData());
        }
    }
}

}  // namespace

bool LayoutBuilder::BuildChildren(const LayoutNode& node, QWidget* container, QString* error) {
    for (const LayoutNode& child : node.children) {
        if (!Build(child, container, error)) {
            for (const QPointer<QWidget>& widget : mBuilt) {
                delete widget.data();
            }
            mBuilt.clear();
            return false;
        }
    }
    return true;
}

QWidget* LayoutBuilder::Create(const LayoutNode& node, bool* custom, QString* error) {
    *custom = false;
    if (node.TagIs("Group"))
        return new Group();
    if (node.TagIs("Label"))
        return new Label();
    if (node.TagIs("Button"))
        return new Button();
    if (node.TagIs("SButton"))
        return new SButton();
    if (node.TagIs("Option"))
        return new Option();
    if (node.TagIs("CheckBox"))
        return new CheckBox();
    if (node.TagIs("Slider"))
        return new Slider();
    if (node.TagIs("Edit"))
        return new Edit();
    if (node.TagIs("Combo"))
        return new Combo();
    if (node.TagIs("List"))
        return new List();
    if (node.TagIs("Progress"))
        return new ProgressBar();
    if (node.TagIs("Image"))
        return new Image();
    if (node.TagIs("Window") || node.TagIs("Layout")) {
        if (error) {
            *error =
                node.Where() + QStringLiteral("<%1> may only be the root element").arg(node.tag);
        }
        return nullptr;
    }
    if (QWidget* widget = mWindow->CreateCustomControl(node.tag, node)) {
        *custom = true;
        return widget;
    }
    bool registered = false;
    QString problem;
    if (QWidget* widget = CreateRegisteredControl(node.tag, node, &problem, &registered)) {
        *custom = true;
        return widget;
    }
    if (registered) {
        if (error) {
            *error = problem.isEmpty()
                         ? node.Where() + QStringLiteral("<%1> could not be made").arg(node.tag)
                         : problem;
        }
        return nullptr;
    }
    if (error) {
        *error = node.Where() + QStringLiteral("unknown element <%1>").arg(node.tag);
    }
    return nullptr;
}

bool LayoutBuilder::Build(const LayoutNode& node, QWidget* container, QString* error) {
    bool custom = false;
    QWidget* widget = Create(node, &custom, error);
    if (!widget) {
        return false;
    }
    widget->setParent(container);
    mBuilt.append(widget);
    if (!ApplyCommon(widget, node, error)) {
        return false;
    }
    if (custom) {
        return true;  // its children are the factory's business
    }
    Control* control = AsControl(widget);
    WarnUnknownAttributes(node, control->KnownAttributes());
    if (!control->Configure(node, error)) {
        return false;
    }
    if (node.TagIs("Group")) {
        for (const LayoutNode& child : node.children) {
            if (!Build(child, widget, error)) {
                return false;
            }
        }
    } else if (!node.children.empty() && !node.TagIs("Combo") && !node.TagIs("List")) {
        if (error) {
            *error =
                node.children.front().Where() +
                QStringLiteral("<%1> cannot hold <%2>").arg(node.tag, node.children.front().tag);
        }
        return false;
    }
    return true;
}

bool LayoutBuilder::ApplyCommon(QWidget* widget, const LayoutNode& node, QString* error) {
    if (!node.Has(QStringLiteral("pos"))) {
        if (error) {
            *error = node.Where() + QStringLiteral("<%1> needs pos=\"x,y,w,h\"").arg(node.tag);
        }
        return false;
    }
    QRect rect;
    bool visible = true;
    bool enabled = true;
    bool bold = false;
    int fontSize = 0;
    QColor textColor;
    QColor background;
    if (!node.ReadRect(QStringLiteral("pos"), &rect, error) ||
        !node.ReadBool(QStringLiteral("visible"), &visible, error) ||
        !node.ReadBool(QStringLiteral("enabled"), &enabled, error) ||
        !node.ReadBool(QStringLiteral("bold"), &bold, error) ||
        !node.ReadInt(QStringLiteral("fontsize"), &fontSize, error) ||
        !node.ReadColor(QStringLiteral("textcolor"), &textColor, error) ||
        !node.ReadColor(QStringLiteral("bkcolor"), &background, error)) {
        return false;
    }
    if (node.Has(QStringLiteral("fontsize")) && (fontSize < 4 || fontSize > 200)) {
        if (error) {
            *error = node.Where() + QStringLiteral("fontsize %1 is outside 4..200").arg(fontSize);
        }
        return false;
    }
    widget->setObjectName(node.Attr(QStringLiteral("name")));
    if (fontSize > 0) {
        widget->setProperty(kFontSizeProperty, fontSize);
    }
    if (bold) {
        widget->setProperty(kBoldProperty, true);
    }
    if (node.Has(QStringLiteral("class"))) {
        widget->setProperty("class", node.Attr(QStringLiteral("class")));
    }
    QString sheet;
    if (textColor.isValid()) {
        sheet += QStringLiteral("color:%1;").arg(CssColor(textColor));
    }
    if (background.isValid()) {
        sheet += QStringLiteral("background-color:%1;").arg(CssColor(background));
    }
    if (!sheet.isEmpty()) {
        widget->setStyleSheet(sheet);
    }
    // Custom controls that are Controls get the same; plain widgets keep them as properties.
    if (Control* control = AsControl(widget)) {
        control->SetUserData(node.Attr(QStringLiteral("userdata")));
        if (node.Has(QStringLiteral("text"))) {
            control->SetText(node.Attr(QStringLiteral("text")));
        }
        if (node.Has(QStringLiteral("tooltip"))) {
            control->SetToolTip(node.Attr(QStringLiteral("tooltip")));
        }
    } else {
        widget->setProperty(kUserDataProperty, node.Attr(QStringLiteral("userdata")));
        if (node.Has(QStringLiteral("text"))) {
            widget->setProperty(kTextProperty, node.Attr(QStringLiteral("text")));
        }
        if (node.Has(QStringLiteral("tooltip"))) {
            widget->setProperty(kToolTipProperty, node.Attr(QStringLiteral("tooltip")));
            widget->setToolTip(ResolveText(node.Attr(QStringLiteral("tooltip"))));
        }
    }
    mWindow->SetControlRect(widget, rect);
    widget->setEnabled(enabled);
    widget->setVisible(visible);
    return true;
}

}  // namespace ui
