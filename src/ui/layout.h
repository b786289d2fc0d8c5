#pragma once
// Layout files: the XML a window, a sub-area or a menu is built from. Parsing reads one file,
// splices in <Include>d files and stamps out <Repeat> blocks, so the resulting tree holds only
// the elements that become widgets. Every node remembers its file and line for error messages.
// The language itself is described in README.md beside this file.

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace ui {

struct LayoutNode {
    QString tag;
    QString file;
    int line = 0;
    QList<std::pair<QString, QString>> attributes;  // in file order, names as written
    std::vector<LayoutNode> children;

    bool Has(const QString& name) const;
    QString Attr(const QString& name, const QString& fallback = QString()) const;
    void SetAttr(const QString& name, const QString& value);
    bool TagIs(const char* name) const;

    // "file:line: " for messages about this element.
    QString Where() const;

    // Each reads a present attribute into *out and leaves *out alone when it is absent. False,
    // with *error naming file, line, attribute and value, when the value does not parse.
    bool ReadInt(const QString& name, int* out, QString* error) const;
    bool ReadBool(const QString& name, bool* out, QString* error) const;
    bool ReadRect(const QString& name, QRect* out, QString* error) const;  // "x,y,w,h"
    bool ReadSize(const QString& name, QSize* out, QString* error) const;  // "w,h"
    bool ReadColor(const QString& name, QColor* out, QString* error) const;
    // "align" (left, center, right) and "valign" (top, vcenter or center, bottom) over what
    // *inOut holds; an attribute that is missing keeps its part.
    bool ReadAlignment(Qt::Alignment* inOut, QString* error) const;
};

// Bounds that keep hostile or mistyped layouts from building millions of widgets.
inline constexpr int kMaxRepeatCount = 1000;
inline constexpr int kMaxLayoutNodes = 20000;
inline constexpr int kMaxLayoutDepth = 64;
inline constexpr int kMaxIncludeDepth = 16;
inline constexpr int kMaxCoordinate = 100000;
// A window is one backing store in memory; no screen needs more.
inline constexpr int kMaxWindowSize = 4000;

using LayoutFileReader =
    std::function<std::optional<QByteArray>(const QString& path, QString* error)>;

// Parses layout text named fileName; included files come through reader. nullopt with *error
// ("file:line: problem") when the text is not a valid layout.
std::optional<LayoutNode> ParseLayout(const QByteArray& xml, const QString& fileName,
                                      const LayoutFileReader& reader, QString* error);

// A layout of the current skin by res.xml name ("XML_MAIN") or path ("xml/main.xml").
std::optional<LayoutNode> LoadLayout(const QString& nameOrPath, QString* error);

// Value parsers shared with custom controls.
std::optional<bool> ParseBool(const QString& text);
std::optional<QColor> ParseColor(const QString& text);  // "#RRGGBB", "#AARRGGBB", "0xAARRGGBB"

}  // namespace ui
