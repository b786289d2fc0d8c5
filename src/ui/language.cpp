#include "ui/language.h"

#include <QXmlStreamReader>

namespace ui {

namespace {

QString Where(const QString& fileName, const QXmlStreamReader& xml) {
    return QStringLiteral("%1:%2: ").arg(fileName).arg(xml.lineNumber());
}

}  // namespace

QString UnescapeLineBreaks(const QString& text) {
    if (!text.contains(QLatin1String("\\n"))) {
        return text;
    }
    QString out = text;
    out.replace(QLatin1String("\\n"), QLatin1String("\n"));
    return out;
}

QString EscapeMnemonic(const QString& text) {
    if (!text.contains(QLatin1Char('&'))) {
        return text;
    }
    QString out = text;
    out.replace(QLatin1Char('&'), QLatin1String("&&"));
    return out;
}

void TextTable::Clear() {
    mName.clear();
    mTexts.clear();
}

std::optional<QString> TextTable::Find(const QString& key) const {
    const auto it = mTexts.constFind(key);
    if (it == mTexts.constEnd()) {
        return std::nullopt;
    }
    return *it;
}

bool TextTable::Load(const QByteArray& bytes, const QString& fileName, QString* error,
                     QStringList* warnings) {
    QXmlStreamReader xml(bytes);
    QString name;
    QHash<QString, QString> texts;
    bool sawRoot = false;
    auto fail = [&](const QString& problem) {
        if (error) {
            *error = Where(fileName, xml) + problem;
        }
        return false;
    };
    auto warn = [&](const QString& problem) {
        if (warnings) {
            warnings->append(Where(fileName, xml) + problem);
        }
    };

    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            continue;
        }
        if (!sawRoot) {
            if (xml.name() != QLatin1String("language")) {
                return fail(QStringLiteral("root element is <%1>, expected <language>")
                                .arg(xml.name().toString()));
            }
            sawRoot = true;
            name = xml.attributes().value(QLatin1String("name")).toString();
            if (name.isEmpty()) {
                return fail(QStringLiteral("<language> has no name"));
            }
            continue;
        }
        if (xml.name() != QLatin1String("text")) {
            warn(QStringLiteral("unknown element <%1> skipped").arg(xml.name().toString()));
            xml.skipCurrentElement();
            continue;
        }
        const QString key = xml.attributes().value(QLatin1String("key")).toString();
        const qint64 line = xml.lineNumber();
        const QString text = xml.readElementText(QXmlStreamReader::SkipChildElements);
        if (xml.hasError()) {
            break;
        }
        if (key.isEmpty()) {
            warn(QStringLiteral("<text> without a key skipped"));
            continue;
        }
        if (key.startsWith(QLatin1String("${"))) {
            warn(QStringLiteral("key \"%1\" is written with ${}; keys are bare names").arg(key));
        }
        if (texts.contains(key)) {
            if (warnings) {
                warnings->append(QStringLiteral("%1:%2: duplicate key \"%3\", the first is kept")
                                     .arg(fileName)
                                     .arg(line)
                                     .arg(key));
            }
            continue;
        }
        texts.insert(key, UnescapeLineBreaks(text));
    }
    if (xml.hasError()) {
        return fail(xml.errorString());
    }
    if (!sawRoot) {
        return fail(QStringLiteral("no <language> element"));
    }
    mName = name;
    mTexts = std::move(texts);
    return true;
}

bool HasTextKeys(const QString& text) {
    const int open = text.indexOf(QLatin1String("${"));
    return open >= 0 && text.indexOf(QLatin1Char('}'), open + 2) > open + 2;
}

QString ResolveKeys(const QString& text, const TextLookup& lookup, QStringList* missingKeys) {
    if (!text.contains(QLatin1String("${"))) {
        return text;
    }
    QString out;
    out.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype open = text.indexOf(QLatin1String("${"), pos);
        if (open < 0) {
            break;
        }
        const qsizetype close = text.indexOf(QLatin1Char('}'), open + 2);
        if (close < 0) {
            break;
        }
        out += QStringView(text).mid(pos, open - pos);
        if (close == open + 2) {
            out += QLatin1String("${}");
        } else {
            const QString key = text.mid(open + 2, close - open - 2);
            if (std::optional<QString> found = lookup ? lookup(key) : std::nullopt) {
                out += *found;
            } else {
                if (missingKeys) {
                    missingKeys->append(key);
                }
                out += key;
            }
        }
        pos = close + 1;
    }
    out += QStringView(text).mid(pos);
    return out;
}

}  // namespace ui
