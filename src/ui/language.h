#pragma once
// Language files and text keys. A language file is
//   <?xml version="1.0" encoding="UTF-8"?>
//   <language name="en">
//     <text key="tips">Notice</text>
//   </language>
// with keys written without "${}"; a two-character "\n" in a text is a line break.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace ui {

class TextTable {
  public:
    // Replaces the table with the file's texts. False, *error naming file, line and problem,
    // when the file is not a language file; the table is then left as it was. Tolerable oddities
    // (duplicate keys, unknown elements) load and are listed in *warnings.
    bool Load(const QByteArray& xml, const QString& fileName, QString* error,
              QStringList* warnings = nullptr);

    const QString& Name() const { return mName; }
    std::optional<QString> Find(const QString& key) const;
    bool Contains(const QString& key) const { return mTexts.contains(key); }
    int Size() const { return static_cast<int>(mTexts.size()); }
    QStringList Keys() const { return mTexts.keys(); }
    void Insert(const QString& key, const QString& text) { mTexts.insert(key, text); }
    void Clear();

  private:
    QString mName;
    QHash<QString, QString> mTexts;
};

// Answers the text of a key (without "${}"), or nullopt when it has none.
using TextLookup = std::function<std::optional<QString>(const QString& key)>;

// Replaces every "${key}" in text. A key the lookup does not know shows as its bare name, so a
// missing translation is visible but readable. Replacements are not scanned again, and an
// unterminated "${" or an empty "${}" stays as written.
QString ResolveKeys(const QString& text, const TextLookup& lookup,
                    QStringList* missingKeys = nullptr);

bool HasTextKeys(const QString& text);

// "a\nb" as written in a file (backslash, n) becomes a real line break.
QString UnescapeLineBreaks(const QString& text);

// "&" would become a keyboard accelerator in buttons and menus; texts show it as written.
QString EscapeMnemonic(const QString& text);

}  // namespace ui
