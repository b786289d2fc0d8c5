#include "shell/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <climits>
#include <optional>
#include <utility>

#include "shell/run_log.h"

namespace shell {
namespace {

// A settings file this size is not ours; reading it whole would only invite trouble.
constexpr qint64 kMaxSettingsBytes = 64 * 1024;
constexpr char kFolderName[] = "orn-dsp";

void Complain(const QString& path, int line, const char* problem, const QByteArray& detail = {}) {
    if (line > 0) {
        runlog::Log("%s:%d: %s%s\n", qUtf8Printable(path), line, problem, detail.constData());
    } else {
        runlog::Log("%s: %s%s\n", qUtf8Printable(path), problem, detail.constData());
    }
}

bool SameName(const QByteArray& a, const char* b) {
    return a.compare(QByteArrayView(b), Qt::CaseInsensitive) == 0;
}

// Where a key sits in the lines of a file; line indices are 0-based, -1 when absent.
struct KeyLocation {
    int sectionLine = -1;
    int lastEntryLine = -1;  // last non-blank line inside the section
    int keyLine = -1;
    int equalsAt = -1;  // position of '=' on keyLine
};

// Walks the lines like the usual profile-string readers: the first matching section and the
// first matching key in it win; comments start with ';' or '#'. Problems are logged.
KeyLocation Locate(const QList<QByteArray>& lines, const QString& path, bool complain,
                   const char* key) {
    KeyLocation where;
    bool inSection = false;
    bool sectionDone = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) {
            continue;
        }
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            if (close < 0) {
                if (complain) {
                    Complain(path, i + 1, "section header without ']'");
                }
                continue;
            }
            if (inSection) {
                sectionDone = true;
            }
            inSection =
                !sectionDone && SameName(line.mid(1, close - 1).trimmed(), kSettingsSection);
            if (inSection) {
                where.sectionLine = i;
                where.lastEntryLine = i;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        where.lastEntryLine = i;
        const qsizetype equals = lines[i].indexOf('=');
        if (equals < 0) {
            if (complain) {
                Complain(path, i + 1, "entry without '=': ", line.left(40));
            }
            continue;
        }
        if (where.keyLine < 0 && SameName(lines[i].left(equals).trimmed(), key)) {
            where.keyLine = i;
            where.equalsAt = static_cast<int>(equals);
        }
    }
    return where;
}

// The leading integer of a value, as profile readers take it ("2abc" is 2). Saturates at the
// ends of int instead of overflowing.
std::optional<int> LeadingInteger(const QByteArray& text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    const qsizetype firstDigit = i;
    constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min(value * 10 + (text[i] - '0'), kLimit);
    }
    if (i == firstDigit) {
        return std::nullopt;
    }
    // INT_MIN has no positive twin.
    return static_cast<int>(negative ? -value : std::min<long long>(value, INT_MAX));
}

enum class Load { Missing, Unreadable, Loaded };

// Reads a settings file into lines; a leading UTF-8 byte order mark is dropped.
Load LoadLines(const QString& path, QList<QByteArray>* lines) {
    QFile file(path);
    if (!file.exists()) {
        return Load::Missing;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        Complain(path, 0, "cannot be read: ", file.errorString().toUtf8());
        return Load::Unreadable;
    }
    QByteArray content = file.read(kMaxSettingsBytes + 1);
    if (content.size() > kMaxSettingsBytes) {
        Complain(path, 0, "larger than 64 KiB, ignored");
        return Load::Unreadable;
    }
    if (content.startsWith("\xEF\xBB\xBF")) {
        content.remove(0, 3);
    }
    *lines = content.split('\n');
    return Load::Loaded;
}

QString FileIn(const QString& folder) {
    return QDir(folder).filePath(QString::fromLatin1(kSettingsFileName));
}

bool WriteValueInto(const QString& folder, const char* key, int number) {
    const QString path = FileIn(folder);
    QList<QByteArray> lines;
    const Load load = LoadLines(path, &lines);
    if (load == Load::Unreadable) {
        // Rewriting it blind would throw away whatever it holds.
        return false;
    }
    const bool crlf = !lines.isEmpty() && lines.first().endsWith('\r');
    const QByteArray eol = crlf ? "\r" : "";
    const QByteArray value = QByteArray::number(number);
    const KeyLocation where = Locate(lines, path, false, key);

    if (where.keyLine >= 0) {
        QByteArray& line = lines[where.keyLine];
        const bool hadCr = line.endsWith('\r');
        line = line.left(where.equalsAt + 1) + value + (hadCr ? "\r" : "");
    } else if (where.sectionLine >= 0) {
        lines.insert(where.lastEntryLine + 1, QByteArray(key) + '=' + value + eol);
    } else {
        // Keep the file ending in a newline, then add the section.
        while (!lines.isEmpty() && lines.last().trimmed().isEmpty()) {
            lines.removeLast();
        }
        lines.append(QByteArray("[") + kSettingsSection + ']' + eol);
        lines.append(QByteArray(key) + '=' + value + eol);
        lines.append(QByteArray());
    }

    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        Complain(path, 0, "cannot be written: ", out.errorString().toUtf8());
        return false;
    }
    out.write(lines.join('\n'));
    if (!out.commit()) {
        Complain(path, 0, "cannot be written: ", out.errorString().toUtf8());
        return false;
    }
    return true;
}

}  // namespace

QString LanguageName(int index) {
    switch (index) {
        case 0:
            return QStringLiteral("en");
        case 1:
            return QStringLiteral("cn_zh");
        case 2:
            return QStringLiteral("ru");
        default:
            return QString();
    }
}

int LanguageIndex(const QString& name) {
    for (int i = 0; i < kLanguageCount; ++i) {
        if (name == LanguageName(i)) {
            return i;
        }
    }
    return -1;
}

QString UserConfigFolder() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty()) {
        return QString();
    }
    return QDir(base).filePath(QString::fromLatin1(kFolderName));
}

Settings::Settings() : Settings(UserConfigFolder(), QDir::currentPath()) {}

Settings::Settings(QString configFolder, QString workingFolder)
    : mConfigFolder(std::move(configFolder)), mWorkingFolder(std::move(workingFolder)) {}

QString Settings::ReadPath() const {
    if (!mConfigFolder.isEmpty() && QFileInfo::exists(FileIn(mConfigFolder))) {
        return FileIn(mConfigFolder);
    }
    return FileIn(mWorkingFolder);
}

int Settings::ReadLanguage() const {
    return ReadInt(kLanguageKey, 0);
}

int Settings::ReadInt(const char* key, int fallback) const {
    const QString path = ReadPath();
    QList<QByteArray> lines;
    if (LoadLines(path, &lines) != Load::Loaded) {
        return fallback;
    }
    const KeyLocation where = Locate(lines, path, true, key);
    if (where.keyLine < 0) {
        return fallback;
    }
    const QByteArray value = lines[where.keyLine].mid(where.equalsAt + 1).trimmed();
    const std::optional<int> number = LeadingInteger(value);
    if (!number) {
        Complain(path, where.keyLine + 1, "",
                 QByteArray("\"") + key + "\" is not a number: " + value.left(40));
        return fallback;
    }
    return *number;
}

bool Settings::WriteLanguage(int index) {
    if (LanguageName(index).isEmpty()) {
        return false;
    }
    return WriteInt(kLanguageKey, index);
}

bool Settings::WriteInt(const char* key, int value) {
    if (!mConfigFolder.isEmpty() && QDir().mkpath(mConfigFolder) &&
        WriteValueInto(mConfigFolder, key, value)) {
        return true;
    }
    if (!mConfigFolder.isEmpty()) {
        runlog::Log("settings: %s unusable, writing %s in the working directory\n",
                    qUtf8Printable(mConfigFolder), kSettingsFileName);
    }
    return WriteValueInto(mWorkingFolder, key, value);
}

}  // namespace shell
