#include "ui/layout.h"

#include <QStringList>
#include <QXmlStreamReader>

#include <cctype>

#include "ui/language.h"
#include "ui/resources.h"

namespace ui {

namespace {

bool Fail(QString* error, const QString& message) {
    if (error) {
        *error = message;
    }
    return false;
}

QString WhereOf(const QString& file, qint64 line) {
    return QStringLiteral("%1:%2: ").arg(file).arg(line);
}

std::optional<int> ParseInt(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < -kMaxCoordinate || value > kMaxCoordinate) {
        return std::nullopt;
    }
    return value;
}

std::optional<QList<int>> ParseInts(const QString& text, int count) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != count) {
        return std::nullopt;
    }
    QList<int> values;
    for (const QString& part : parts) {
        const auto value = ParseInt(part);
        if (!value) {
            return std::nullopt;
        }
        values.append(*value);
    }
    return values;
}

bool IsTextAttribute(const QString& name) {
    return name.compare(QLatin1String("text"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("tooltip"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("caption"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("title"), Qt::CaseInsensitive) == 0;
}

// Reads one file into a raw tree (Include and Repeat still in it).
class RawParser {
  public:
    RawParser(const QByteArray& bytes, QString file) : mXml(bytes), mFile(std::move(file)) {}

    std::optional<LayoutNode> Parse(QString* error) {
        std::vector<LayoutNode> stack;
        std::optional<LayoutNode> root;
        while (!mXml.atEnd()) {
            mXml.readNext();
            if (mXml.isStartElement()) {
                if (root) {
                    Fail(error, Where() + QStringLiteral("content after the root element"));
                    return std::nullopt;
                }
                if (++mElements > kMaxLayoutNodes) {
                    Fail(error,
                         Where() + QStringLiteral("more than %1 elements").arg(kMaxLayoutNodes));
                    return std::nullopt;
                }
                if (static_cast<int>(stack.size()) >= kMaxLayoutDepth) {
                    Fail(error,
                         Where() +
                             QStringLiteral("elements nested deeper than %1").arg(kMaxLayoutDepth));
                    return std::nullopt;
                }
                LayoutNode node;
                node.tag = mXml.name().toString();
                node.file = mFile;
                node.line = static_cast<int>(mXml.lineNumber());
                for (const QXmlStreamAttribute& attr : mXml.attributes()) {
                    const QString name = attr.name().toString();
                    if (node.Has(name)) {
                        Fail(error,
                             Where() + QStringLiteral("attribute \"%1\" given twice").arg(name));
                        return std::nullopt;
                    }
                    QString value = attr.value().toString();
                    if (IsTextAttribute(name)) {
                        value = UnescapeLineBreaks(value);
                    }
                    node.attributes.append({name, value});
                }
                stack.push_back(std::move(node));
            } else if (mXml.isEndElement()) {
                if (stack.empty()) {
                    break;
                }
                LayoutNode done = std::move(stack.back());
                stack.pop_back();
                if (stack.empty()) {
                    root = std::move(done);
                } else {
                    stack.back().children.push_back(std::move(done));
                }
            } else if (mXml.isCharacters() && !mXml.isWhitespace()) {
                Fail(error, Where() + QStringLiteral("unexpected text \"%1\"")
                                          .arg(mXml.text().toString().trimmed().left(40)));
                return std::nullopt;
            }
        }
        if (mXml.hasError()) {
            Fail(error, Where() + mXml.errorString());
            return std::nullopt;
        }
        if (!root) {
            Fail(error, Where() + QStringLiteral("no root element"));
            return std::nullopt;
        }
        return root;
    }

  private:
    QString Where() const { return WhereOf(mFile, mXml.lineNumber()); }

    QXmlStreamReader mXml;
    QString mFile;
    int mElements = 0;
};

class Expander {
  public:
    explicit Expander(const LayoutFileReader& reader) : mReader(reader) {}

    // Replaces every Include among node's descendants by the included file's elements.
    bool ResolveIncludes(LayoutNode* node, QStringList* chain, QString* error) {
        std::vector<LayoutNode> children;
        for (LayoutNode& child : node->children) {
            if (!child.TagIs("Include")) {
                if (!ResolveIncludes(&child, chain, error)) {
                    return false;
                }
                children.push_back(std::move(child));
                continue;
            }
            std::vector<LayoutNode> included;
            if (!Include(child, chain, &included, error)) {
                return false;
            }
            for (LayoutNode& inc : included) {
                children.push_back(std::move(inc));
            }
        }
        node->children = std::move(children);
        return true;
    }

    // Stamps out every Repeat among node's descendants.
    bool ExpandRepeats(LayoutNode* node, QString* error) {
        std::vector<LayoutNode> children;
        for (LayoutNode& child : node->children) {
            if (!child.TagIs("Repeat")) {
                if (!ExpandRepeats(&child, error)) {
                    return false;
                }
                children.push_back(std::move(child));
                continue;
            }
            std::vector<LayoutNode> stamped;
            if (!Repeat(child, &stamped, error)) {
                return false;
            }
            for (LayoutNode& s : stamped) {
                children.push_back(std::move(s));
            }
        }
        node->children = std::move(children);
        return Count(node->children.size(), *node, error);
    }

  private:
    bool Count(size_t added, const LayoutNode& at, QString* error) {
        mNodes += static_cast<int>(added);
        if (mNodes > kMaxLayoutNodes) {
            return Fail(error,
                        at.Where() +
                            QStringLiteral("layout grows beyond %1 elements").arg(kMaxLayoutNodes));
        }
        return true;
    }

    bool Include(const LayoutNode& inc, QStringList* chain, std::vector<LayoutNode>* out,
                 QString* error) {
        QString target = inc.Attr(QStringLiteral("file"));
        if (target.isEmpty()) {
            target = inc.Attr(QStringLiteral("layout"));
        }
        if (target.isEmpty()) {
            return Fail(error, inc.Where() + QStringLiteral("<Include> needs file or layout"));
        }
        const QString path = Resources::Instance().LayoutPath(target);
        if (path.isEmpty()) {
            return Fail(
                error,
                inc.Where() + QStringLiteral("\"%1\" is not a path inside the skin").arg(target));
        }
        if (chain->contains(path)) {
            return Fail(error, inc.Where() + QStringLiteral("include cycle: %1 -> %2")
                                                 .arg(chain->join(QStringLiteral(" -> ")), path));
        }
        if (chain->size() >= kMaxIncludeDepth) {
            return Fail(error,
                        inc.Where() +
                            QStringLiteral("includes nested deeper than %1").arg(kMaxIncludeDepth));
        }
        int dx = 0;
        int dy = 0;
        if (!inc.ReadInt(QStringLiteral("dx"), &dx, error) ||
            !inc.ReadInt(QStringLiteral("dy"), &dy, error)) {
            return false;
        }
        QString readError;
        const std::optional<QByteArray> bytes = mReader ? mReader(path, &readError) : std::nullopt;
        if (!bytes) {
            return Fail(error, inc.Where() + QStringLiteral("cannot include %1: %2")
                                                 .arg(path, readError.isEmpty()
                                                                ? QStringLiteral("no reader")
                                                                : readError));
        }
        std::optional<LayoutNode> root = RawParser(*bytes, path).Parse(error);
        if (!root) {
            return false;
        }
        if (!root->TagIs("Layout")) {
            return Fail(error, root->Where() + QStringLiteral("an included file's root must be "
                                                              "<Layout>, not <%1>")
                                                   .arg(root->tag));
        }
        chain->append(path);
        const bool ok = ResolveIncludes(&*root, chain, error);
        chain->removeLast();
        if (!ok) {
            return false;
        }
        for (LayoutNode& child : root->children) {
            Shift(&child, dx, dy);
            out->push_back(std::move(child));
        }
        return true;
    }

    static void Shift(LayoutNode* node, int dx, int dy) {
        if (dx == 0 && dy == 0) {
            return;
        }
        if (node->TagIs("Repeat")) {
            // Its copies do not exist yet; they inherit the shift.
            for (LayoutNode& child : node->children) {
                Shift(&child, dx, dy);
            }
            return;
        }
        QRect rect;
        if (node->Has(QStringLiteral("pos")) &&
            node->ReadRect(QStringLiteral("pos"), &rect, nullptr)) {
            rect.translate(dx, dy);
            node->SetAttr(QStringLiteral("pos"), QStringLiteral("%1,%2,%3,%4")
                                                     .arg(rect.x())
                                                     .arg(rect.y())
                                                     .arg(rect.width())
                                                     .arg(rect.height()));
        }
    }

    // The first "%d" becomes the index and the first "%n" the display number, in every
    // attribute of node and its descendants; nested repeats fill the later placeholders.
    static void Substitute(LayoutNode* node, int index, int number, bool setUserData) {
        for (auto& [name, value] : node->attributes) {
            const qsizetype d = value.indexOf(QLatin1String("%d"));
            if (d >= 0) {
                value.replace(d, 2, QString::number(index));
            }
            const qsizetype n = value.indexOf(QLatin1String("%n"));
            if (n >= 0) {
                value.replace(n, 2, QString::number(number));
            }
        }
        if (setUserData && !node->Has(QStringLiteral("userdata"))) {
            node->SetAttr(QStringLiteral("userdata"), QString::number(index));
        }
        // Elements inside a nested Repeat take their default user data from that one.
        const bool below = setUserData && !node->TagIs("Repeat");
        for (LayoutNode& child : node->children) {
            Substitute(&child, index, number, below);
        }
    }

    bool Repeat(const LayoutNode& rep, std::vector<LayoutNode>* out, QString* error) {
        int count = -1;
        int start = 0;
        int dx = 0;
        int dy = 0;
        if (!rep.ReadInt(QStringLiteral("count"), &count, error) ||
            !rep.ReadInt(QStringLiteral("start"), &start, error) ||
            !rep.ReadInt(QStringLiteral("dx"), &dx, error) ||
            !rep.ReadInt(QStringLiteral("dy"), &dy, error)) {
            return false;
        }
        int number = start + 1;
        if (!rep.ReadInt(QStringLiteral("number"), &number, error)) {
            return false;
        }
        if (count < 0 || count > kMaxRepeatCount) {
            return Fail(error, rep.Where() + QStringLiteral("<Repeat> count must be 0..%1, got "
                                                            "\"%2\"")
                                                 .arg(kMaxRepeatCount)
                                                 .arg(rep.Attr(QStringLiteral("count"))));
        }
        if (static_cast<qint64>(count) * static_cast<qint64>(rep.children.size()) >
            kMaxLayoutNodes) {
            return Fail(error,
                        rep.Where() +
                            QStringLiteral("layout grows beyond %1 elements").arg(kMaxLayoutNodes));
        }
        for (int i = 0; i < count; ++i) {
            LayoutNode copy;
            copy.tag = QStringLiteral("Layout");
            copy.file = rep.file;
            copy.line = rep.line;
            copy.children = rep.children;
            for (LayoutNode& child : copy.children) {
                Substitute(&child, start + i, number + i, true);
            }
            if (!ExpandRepeats(&copy, error)) {
                return false;
            }
            for (LayoutNode& child : copy.children) {
                Shift(&child, dx * i, dy * i);
                out->push_back(std::move(child));
            }
        }
        return true;
    }

    const LayoutFileReader& mReader;
    int mNodes = 0;
};

}  // namespace

bool LayoutNode::Has(const QString& name) const {
    for (const auto& attr : attributes) {
        if (attr.first.compare(name, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

QString LayoutNode::Attr(const QString& name, const QString& fallback) const {
    for (const auto& attr : attributes) {
        if (attr.first.compare(name, Qt::CaseInsensitive) == 0) {
            return attr.second;
        }
    }
    return fallback;
}

void LayoutNode::SetAttr(const QString& name, const QString& value) {
    for (auto& attr : attributes) {
        if (attr.first.compare(name, Qt::CaseInsensitive) == 0) {
            attr.second = value;
            return;
        }
    }
    attributes.append({name, value});
}

bool LayoutNode::TagIs(const char* name) const {
    return tag.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

QString LayoutNode::Where() const {
    return WhereOf(file, line);
}

namespace {

template <class T, class Parse>
bool ReadAttr(const LayoutNode& node, const QString& name, T* out, QString* error,
              const char* expected, Parse parse) {
    if (!node.Has(name)) {
        return true;
    }
    const QString text = node.Attr(name);
    const auto value = parse(text);
    if (!value) {
        return Fail(error, node.Where() + QStringLiteral("<%1> attribute %2=\"%3\": expected %4")
                                              .arg(node.tag, name, text, QLatin1String(expected)));
    }
    *out = *value;
    return true;
}

}  // namespace

bool LayoutNode::ReadInt(const QString& name, int* out, QString* error) const {
    return ReadAttr(*this, name, out, error, "an integer", ParseInt);
}

bool LayoutNode::ReadBool(const QString& name, bool* out, QString* error) const {
    return ReadAttr(*this, name, out, error, "true or false", ParseBool);
}

bool LayoutNode::ReadRect(const QString& name, QRect* out, QString* error) const {
    return ReadAttr(*this, name, out, error, "x,y,w,h with w, h >= 0",
                    [](const QString& text) -> std::optional<QRect> {
                        const auto v = ParseInts(text, 4);
                        if (!v || (*v)[2] < 0 || (*v)[3] < 0) {
                            return std::nullopt;
                        }
                        return QRect((*v)[0], (*v)[1], (*v)[2], (*v)[3]);
                    });
}

bool LayoutNode::ReadSize(const QString& name, QSize* out, QString* error) const {
    return ReadAttr(*this, name, out, error, "w,h with w, h >= 0",
                    [](const QString& text) -> std::optional<QSize> {
                        const auto v = ParseInts(text, 2);
                        if (!v || (*v)[0] < 0 || (*v)[1] < 0) {
                            return std::nullopt;
                        }
                        return QSize((*v)[0], (*v)[1]);
                    });
}

bool LayoutNode::ReadColor(const QString& name, QColor* out, QString* error) const {
    return ReadAttr(*this, name, out, error, "a colour #RRGGBB or #AARRGGBB", ParseColor);
}

bool LayoutNode::ReadAlignment(Qt::Alignment* inOut, QString* error) const {
    bool ok = true;
    Qt::Alignment horizontal = *inOut & Qt::AlignHorizontal_Mask;
    Qt::Alignment vertical = *inOut & Qt::AlignVertical_Mask;
    const QString align = Attr(QStringLiteral("align")).trimmed().toLower();
    if (!align.isEmpty()) {
        if (align == QLatin1String("left")) {
            horizontal = Qt::AlignLeft;
        } else if (align == QLatin1String("center")) {
            horizontal = Qt::AlignHCenter;
        } else if (align == QLatin1String("right")) {
            horizontal = Qt::AlignRight;
        } else {
            ok = false;
            if (error) {
                *error = Where() + QStringLiteral(
                                       "align=\"%1\": expected left, center or "
                                       "right")
                                       .arg(align);
            }
        }
    }
    const QString valign = Attr(QStringLiteral("valign")).trimmed().toLower();
    if (!valign.isEmpty()) {
        if (valign == QLatin1String("top")) {
            vertical = Qt::AlignTop;
        } else if (valign == QLatin1String("vcenter") || valign == QLatin1String("center")) {
            vertical = Qt::AlignVCenter;
        } else if (valign == QLatin1String("bottom")) {
            vertical = Qt::AlignBottom;
        } else {
            ok = false;
            if (error) {
                *error = Where() + QStringLiteral(
                                       "valign=\"%1\": expected top, vcenter or "
                                       "bottom")
                                       .arg(valign);
            }
        }
    }
    *inOut = horizontal | vertical;
    return ok;
}

std::optional<bool> ParseBool(const QString& text) {
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("1") || t == QLatin1String("yes")) {
        return true;
    }
    if (t == QLatin1String("false") || t == QLatin1String("0") || t == QLatin1String("no")) {
        return false;
    }
    return std::nullopt;
}

std::optional<QColor> ParseColor(const QString& text) {
    QString t = text.trimmed();
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        t = QLatin1Char('#') + t.mid(2);
    }
    if (!t.startsWith(QLatin1Char('#')) || (t.size() != 7 && t.size() != 9)) {
        return std::nullopt;
    }
    for (qsizetype i = 1; i < t.size(); ++i) {
        if (!isxdigit(t.at(i).toLatin1())) {
            return std::nullopt;
        }
    }
    const QColor color = QColor::fromString(t);
    if (!color.isValid()) {
        return std::nullopt;
    }
    return color;
}

std::optional<LayoutNode> ParseLayout(const QByteArray& xml, const QString& fileName,
                                      const LayoutFileReader& reader, QString* error) {
    std::optional<LayoutNode> root = RawParser(xml, fileName).Parse(error);
    if (!root) {
        return std::nullopt;
    }
    if (root->TagIs("Include") || root->TagIs("Repeat")) {
        Fail(error,
             root->Where() + QStringLiteral("<%1> cannot be the root element").arg(root->tag));
        return std::nullopt;
    }
    Expander expander(reader);
    QStringList chain{fileName};
    if (!expander.ResolveIncludes(&*root, &chain, error) ||
        !expander.ExpandRepeats(&*root, error)) {
        return std::nullopt;
    }
    return root;
}

std::optional<LayoutNode> LoadLayout(const QString& nameOrPath, QString* error) {
    Resources& resources = Resources::Instance();
    const QString path = resources.LayoutPath(nameOrPath);
    if (path.isEmpty()) {
        Fail(error, QStringLiteral("layout \"%1\" is not a path inside the skin").arg(nameOrPath));
        return std::nullopt;
    }
    QString readError;
    const auto bytes = resources.ReadFile(path, &readError);
    if (!bytes) {
        Fail(error, QStringLiteral("layout %1: %2").arg(nameOrPath, readError));
        return std::nullopt;
    }
    return ParseLayout(
        *bytes, path,
        [](const QString& p, QString* e) { return Resources::Instance().ReadFile(p, e); }, error);
}

}  // namespace ui
