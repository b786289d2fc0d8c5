#include "ui/resources.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QRegularExpression>
#include <QThread>
#include <QWidget>
#include <QXmlStreamReader>

#include <cmath>

#include "shell/run_log.h"
#include "ui/scaling.h"
#include "ui/skin_archive.h"

namespace ui {

namespace {

// Same bound as the archive's: nothing in a skin comes near it.
constexpr qint64 kMaxFileSize = 64ll * 1024 * 1024;

void SetError(QString* error, const QString& message) {
    if (error) {
        *error = message;
    }
}

void LogLine(const QString& line) {
    runlog::Log("skin: %s\n", line.toUtf8().constData());
}

}  // namespace

QEvent::Type ScaleChangeEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

QString CleanSkinPath(const QString& path) {
    QString p = path.trimmed();
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (p.isEmpty() || p.startsWith(QLatin1Char('/')) || p.contains(QLatin1Char(':'))) {
        return {};
    }
    p = QDir::cleanPath(p);
    if (p == QLatin1String(".") || p == QLatin1String("..") || p.startsWith(QLatin1String("../"))) {
        return {};
    }
    return p;
}

struct Resources::Source {
    std::unique_ptr<SkinArchive> archive;
    QString directory;

    QString Name() const {
        return archive ? QStringLiteral("archive") : QStringLiteral("directory ") + directory;
    }

    bool Contains(const QString& clean) const {
        if (archive) {
            return archive->Contains(clean);
        }
        return QFileInfo(QDir(directory).filePath(clean)).isFile();
    }

    std::optional<QByteArray> Read(const QString& clean, QString* error) const {
        if (archive) {
            return archive->Read(clean, error);
        }
        QFile file(QDir(directory).filePath(clean));
        const QFileInfo info(file.fileName());
        if (!info.isFile()) {
            SetError(error, clean + QStringLiteral(": not in the skin"));
            return std::nullopt;
        }
        if (info.size() > kMaxFileSize) {
            SetError(error, clean + QStringLiteral(": file too large"));
            return std::nullopt;
        }
        if (!file.open(QIODevice::ReadOnly)) {
            SetError(error, clean + QStringLiteral(": ") + file.errorString());
            return std::nullopt;
        }
        return file.read(kMaxFileSize);
    }
};

Resources& Resources::Instance() {
    static Resources instance;
    return instance;
}

namespace {
void DropCachedPixmaps();
}  // namespace

Resources::Resources() = default;
Resources::~Resources() {
    if (mPixmapCleanupRegistered) {
        qRemovePostRoutine(DropCachedPixmaps);
    }
}

bool Resources::LoadFromArchive(const QByteArray& zipBytes, const QByteArray& password,
                                QString* error) {
    QString problem;
    auto archive = SkinArchive::Open(zipBytes, password, &problem);
    if (!archive) {
        LogLine(problem);
        SetError(error, problem);
        return false;
    }
    auto source = std::make_unique<Source>();
    source->archive = std::move(archive);
    return Install(std::move(source), error);
}

bool Resources::LoadFromDirectory(const QString& directory, QString* error) {
    if (!QFileInfo(directory).isDir()) {
        const QString problem = directory + QStringLiteral(": no such skin directory");
        LogLine(problem);
        SetError(error, problem);
        return false;
    }
    auto source = std::make_unique<Source>();
    source->directory = QDir(directory).absolutePath();
    return Install(std::move(source), error);
}

bool Resources::LoadEmbedded(QString* error) {
    const QByteArray bytes = EmbeddedSkinBytes();
    if (bytes.isEmpty()) {
        const QString problem = QStringLiteral("no skin archive in this build; running without");
        LogLine(problem);
        SetError(error, problem);
        return false;
    }
    return LoadFromArchive(bytes, SkinPassword(), error);
}

bool Resources::Install(std::unique_ptr<Source> source, QString* error) {
    bool ok = false;
    {
        std::lock_guard lock(mMutex);
        mSource = std::move(source);
        mHasSkin = false;
        mLayouts.clear();
        mStyleSheet.clear();
        mFontFamilies.clear();
        mFontSize = 0;
        mPixmaps.clear();
        mReported.clear();
        QString problem;
        ok = LoadResourceList(&problem);
        if (!ok) {
            LogLine(problem);
            SetError(error, problem);
        } else {
            LogLine(QStringLiteral("%1 layouts from %2").arg(mLayouts.size()).arg(mSource->Name()));
        }
        mHasSkin = ok;
        ReloadLanguagesLocked();
    }
    ApplyTheme();
    BroadcastLanguageChange();
    return ok;
}

bool Resources::LoadResourceList(QString* error) {
    const QString file = QString::fromLatin1(kResourceListPath);
    QString readError;
    const std::optional<QByteArray> bytes = ReadLocked(file, &readError);
    if (!bytes) {
        SetError(error, readError);
        return false;
    }
    QXmlStreamReader xml(*bytes);
    auto where = [&] { return QStringLiteral("%1:%2: ").arg(file).arg(xml.lineNumber()); };
    bool sawRoot = false;
    QString styleFile;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            continue;
        }
        const QXmlStreamAttributes attrs = xml.attributes();
        const QString tag = xml.name().toString();
        if (!sawRoot) {
            if (tag != QLatin1String("resources")) {
                SetError(error, where() + QStringLiteral("root element is <%1>, expected "
                                                         "<resources>")
                                              .arg(tag));
                return false;
            }
            sawRoot = true;
            continue;
        }
        const QString name = attrs.value(QLatin1String("name")).toString();
        const QString path = CleanSkinPath(attrs.value(QLatin1String("file")).toString());
        const bool hasFile = attrs.hasAttribute(QLatin1String("file"));
        if (hasFile && path.isEmpty()) {
            LogLine(where() + QStringLiteral("<%1> file \"%2\" is not a path inside the skin")
                                  .arg(tag, attrs.value(QLatin1String("file")).toString()));
        } else if (hasFile && !mSource->Contains(path)) {
            LogLine(where() +
                    QStringLiteral("<%1> %2: %3 is not in the skin").arg(tag, name, path));
        }
        if (tag == QLatin1String("layout") || tag == QLatin1String("menu")) {
            if (name.isEmpty() || path.isEmpty()) {
                LogLine(where() + QStringLiteral("<%1> needs name and file").arg(tag));
            } else {
                mLayouts.insert(name, path);
            }
        } else if (tag == QLatin1String("language")) {
            if (name.isEmpty() || path.isEmpty()) {
                LogLine(where() + QStringLiteral("<language> needs name and file"));
            } else if (!mLanguageFiles.contains(name)) {
                mLanguageFiles.insert(name, path);
                mLanguageOrder.append(name);
            }
        } else if (tag == QLatin1String("style")) {
            styleFile = path;
        } else if (tag == QLatin1String("font")) {
            if (!path.isEmpty()) {
                QString fontError;
                const auto fontBytes = ReadLocked(path, &fontError);
                if (!fontBytes) {
                    LogLine(where() + fontError);
                } else if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
                           QFontDatabase::addApplicationFontFromData(*fontBytes) < 0) {
                    LogLine(where() + path + QStringLiteral(": not a usable font"));
                }
            }
            const QString families = attrs.value(QLatin1String("family")).toString();
            if (!families.isEmpty()) {
                for (const QString& family : families.split(QLatin1Char(','))) {
                    if (!family.trimmed().isEmpty()) {
                        mFontFamilies.append(family.trimmed());
                    }
                }
            }
            if (attrs.hasAttribute(QLatin1String("size"))) {
                bool okSize = false;
                const int size = attrs.value(QLatin1String("size")).toInt(&okSize);
                if (!okSize || size < 4 || size > 200) {
                    LogLine(where() + QStringLiteral("font size \"%1\" ignored")
                                          .arg(attrs.value(QLatin1String("size")).toString()));
                } else {
                    mFontSize = size;
                }
            }
        } else {
            LogLine(where() + QStringLiteral("unknown element <%1> skipped").arg(tag));
        }
        xml.skipCurrentElement();
    }
    if (xml.hasError()) {
        SetError(error, where() + xml.errorString());
        return false;
    }
    if (!sawRoot) {
        SetError(error, file + QStringLiteral(":1: no <resources> element"));
        return false;
    }
    if (!styleFile.isEmpty()) {
        QString styleError;
        if (const auto style = ReadLocked(styleFile, &styleError)) {
            mStyleSheet = QString::fromUtf8(*style);
        } else {
            LogLine(styleError);
        }
    }
    return true;
}

void Resources::Reset() {
    {
        std::lock_guard lock(mMutex);
        mSource.reset();
        mHasSkin = false;
        mLayouts.clear();
        mLanguageFiles.clear();
        mLanguageOrder.clear();
        mCurrentLanguage.clear();
        mCurrent.Clear();
        mEnglish.Clear();
        mEnglishLoaded = false;
        mStyleSheet.clear();
        mFontFamilies.clear();
        mFontSize = 0;
        mDpi = kLayoutDpi;
        mPixmaps.clear();
        mReported.clear();
    }
    ApplyTheme();
}

bool Resources::HasSkin() const {
    std::lock_guard lock(mMutex);
    return mHasSkin;
}

QString Resources::SourceName() const {
    std::lock_guard lock(mMutex);
    return mSource ? mSource->Name() : QStringLiteral("none");
}

std::optional<QByteArray> Resources::ReadLocked(const QString& path, QString* error) const {
    const QString clean = CleanSkinPath(path);
    if (clean.isEmpty()) {
        SetError(error, QStringLiteral("\"%1\" is not a path inside the skin").arg(path));
        return std::nullopt;
    }
    if (!mSource) {
        SetError(error, clean + QStringLiteral(": no skin loaded"));
        return std::nullopt;
    }
    return mSource->Read(clean, error);
}

std::optional<QByteArray> Resources::ReadFile(const QString& path, QString* error) const {
    std::lock_guard lock(mMutex);
    return ReadLocked(path, error);
}

bool Resources::Contains(const QString& path) const {
    std::lock_guard lock(mMutex);
    const QString clean = CleanSkinPath(path);
    return mSource && !clean.isEmpty() && mSource->Contains(clean);
}

QString Resources::LayoutPath(const QString& nameOrPath) const {
    std::lock_guard lock(mMutex);
    const auto it = mLayouts.constFind(nameOrPath);
    if (it != mLayouts.constEnd()) {
        return *it;
    }
    return CleanSkinPath(nameOrPath);
}

QStringList Resources::LayoutNames() const {
    std::lock_guard lock(mMutex);
    QStringList names = mLayouts.keys();
    names.sort();
    return names;
}

namespace {
// Cached pixmaps must not outlive the application object, and the routine must not outlive the
// cache: a static application object goes after the skin's, so the skin takes it back.
void DropCachedPixmaps() {
    Resources& self = Resources::Instance();
    self.DropPixmaps();
}
}  // namespace

void Resources::DropPixmaps() {
    std::lock_guard lock(mMutex);
    mPixmaps.clear();
}

QPixmap Resources::Pixmap(const QString& path) const {
    if (!mPixmapCleanupRegistered.exchange(true)) {
        qAddPostRoutine(DropCachedPixmaps);
    }
    std::lock_guard lock(mMutex);
    const QString clean = CleanSkinPath(path);
    const auto it = mPixmaps.constFind(clean);
    if (it != mPixmaps.constEnd()) {
        return *it;
    }
    QPixmap pixmap;
    QString error;
    if (const auto bytes = ReadLocked(path, &error)) {
        if (!pixmap.loadFromData(*bytes)) {
            error = clean + QStringLiteral(": not a readable image");
        }
    }
    if (pixmap.isNull() && !mReported.contains(QStringLiteral("img:") + clean)) {
        mReported.insert(QStringLiteral("img:") + clean);
        LogLine(error);
    }
    mPixmaps.insert(clean, pixmap);
    return pixmap;
}

QString Resources::StyleSheet() const {
    std::lock_guard lock(mMutex);
    return mStyleSheet;
}

QString Resources::ScaledStyleSheet(int dpi) const {
    const QString sheet = StyleSheet();
    if (ClampDpi(dpi) == kLayoutDpi) {
        return sheet;
    }
    static const QRegularExpression length(QStringLiteral("(-?\\d+(?:\\.\\d+)?)px\\b"));
    QString out;
    out.reserve(sheet.size());
    qsizetype last = 0;
    auto it = length.globalMatch(sheet);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        out += QStringView(sheet).mid(last, match.capturedStart() - last);
        const double value = match.captured(1).toDouble();
        double scaled = std::round(value * ClampDpi(dpi) / kLayoutDpi);
        // A hairline stays visible at small scales.
        if (value != 0 && scaled == 0) {
            scaled = value > 0 ? 1 : -1;
        }
        out += QString::number(static_cast<long long>(scaled)) + QStringLiteral("px");
        last = match.capturedEnd();
    }
    out += QStringView(sheet).mid(last);
    return out;
}

void Resources::ApplyTheme() const {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread()) {
        return;
    }
    QStringList families;
    int size = 0;
    int dpi = kLayoutDpi;
    {
        std::lock_guard lock(mMutex);
        families = mFontFamilies;
        size = mFontSize;
        dpi = mDpi;
    }
    if (!families.isEmpty() || size > 0) {
        QFont font = QApplication::font();
        if (!families.isEmpty()) {
            font.setFamilies(families);
        }
        if (size > 0) {
            font.setPixelSize(ScaleValue(size, dpi));
        }
        QApplication::setFont(font);
    }
    app->setStyleSheet(ScaledStyleSheet(dpi));
}

void Resources::AddLanguage(const QString& name, const QString& file) {
    std::lock_guard lock(mMutex);
    const QString path = CleanSkinPath(file);
    if (name.isEmpty() || path.isEmpty()) {
        LogLine(QStringLiteral("language \"%1\" with file \"%2\" refused").arg(name, file));
        return;
    }
    if (!mLanguageFiles.contains(name)) {
        mLanguageOrder.append(name);
    }
    mLanguageFiles.insert(name, path);
    if (name == QLatin1String("en")) {
        mEnglishLoaded = false;
    }
}

QStringList Resources::Languages() const {
    std::lock_guard lock(mMutex);
    return mLanguageOrder;
}

bool Resources::LoadTable(const QString& name, TextTable* table, QString* error) const {
    const auto it = mLanguageFiles.constFind(name);
    if (it == mLanguageFiles.constEnd()) {
        SetError(error, QStringLiteral("language \"%1\" is not registered").arg(name));
        return false;
    }
    const auto bytes = ReadLocked(*it, error);
    if (!bytes) {
        return false;
    }
    QStringList warnings;
    if (!table->Load(*bytes, *it, error, &warnings)) {
        return false;
    }
    for (const QString& warning : warnings) {
        LogLine(warning);
    }
    return true;
}

bool Resources::SelectLanguage(const QString& name, QString* error) {
    {
        std::lock_guard lock(mMutex);
        if (name == mCurrentLanguage && mCurrent.Size() > 0) {
            return true;
        }
        TextTable table;
        QString problem;
        if (!LoadTable(name, &table, &problem)) {
            LogLine(problem);
            SetError(error, problem);
            return false;
        }
        mCurrentLanguage = name;
        mCurrent = table;
        if (name == QLatin1String("en")) {
            mEnglish = std::move(table);
            mEnglishLoaded = true;
        }
        mReported.clear();
    }
    BroadcastLanguageChange();
    return true;
}

void Resources::ReloadLanguagesLocked() {
    mEnglish.Clear();
    mEnglishLoaded = false;
    mCurrent.Clear();
    if (mCurrentLanguage.isEmpty()) {
        return;
    }
    QString problem;
    if (!LoadTable(mCurrentLanguage, &mCurrent, &problem)) {
        LogLine(problem);
    }
}

QString Resources::CurrentLanguage() const {
    std::lock_guard lock(mMutex);
    return mCurrentLanguage;
}

std::optional<QString> Resources::FindLocked(const QString& key) const {
    if (auto text = mCurrent.Find(key)) {
        return text;
    }
    if (!mEnglishLoaded) {
        // Tried once per skin or registration; a broken English file is reported once.
        mEnglishLoaded = true;
        QString problem;
        TextTable english;
        if (mLanguageFiles.contains(QStringLiteral("en"))) {
            if (LoadTable(QStringLiteral("en"), &english, &problem)) {
                mEnglish = std::move(english);
            } else {
                LogLine(problem);
            }
        }
    }
    return mEnglish.Find(key);
}

std::optional<QString> Resources::FindText(const QString& key) const {
    QString bare = key;
    if (bare.startsWith(QLatin1String("${")) && bare.endsWith(QLatin1Char('}'))) {
        bare = bare.mid(2, bare.size() - 3);
    }
    std::lock_guard lock(mMutex);
    return FindLocked(bare);
}

QString Resources::ResolveText(const QString& text) const {
    if (!text.contains(QLatin1String("${"))) {
        return text;
    }
    std::lock_guard lock(mMutex);
    QStringList missing;
    const QString resolved = ResolveKeys(
        text, [this](const QString& key) { return FindLocked(key); }, &missing);
    for (const QString& key : missing) {
        const QString tag = mCurrentLanguage + QLatin1Char('/') + key;
        if (!mReported.contains(tag)) {
            mReported.insert(tag);
            LogLine(QStringLiteral("text key \"%1\" missing in language \"%2\"")
                        .arg(key, mCurrentLanguage.isEmpty() ? QStringLiteral("(none)")
                                                             : mCurrentLanguage));
        }
    }
    return resolved;
}

void Resources::SetUiScaleDpi(int dpi) {
    {
        std::lock_guard lock(mMutex);
        mDpi = ClampDpi(dpi);
    }
    ApplyTheme();
    auto* app = QCoreApplication::instance();
    if (!qobject_cast<QApplication*>(app) || QThread::currentThread() != app->thread()) {
        return;
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        QEvent event(ScaleChangeEventType());
        QCoreApplication::sendEvent(widget, &event);
    }
}

int Resources::UiScaleDpi() const {
    std::lock_guard lock(mMutex);
    return mDpi;
}

void Resources::BroadcastLanguageChange() {
    auto* app = QCoreApplication::instance();
    if (!qobject_cast<QApplication*>(app) || QThread::currentThread() != app->thread()) {
        return;
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        QEvent event(QEvent::LanguageChange);
        QCoreApplication::sendEvent(widget, &event);
    }
}

QString ResolveText(const QString& text) {
    return Resources::Instance().ResolveText(text);
}

int UiScaleDpi() {
    return Resources::Instance().UiScaleDpi();
}

}  // namespace ui
