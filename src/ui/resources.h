#pragma once
// The skin of the process: where layouts, images, language files and the theme come from, the
// current language and the UI scale. One instance per process, used from the UI thread; text
// lookups (ResolveText, FindText) may also come from other threads.
//
// "xml/res.xml" is the first file read from a skin; it names the layouts, menus, languages,
// the style sheet and the fonts. A skin that cannot be opened leaves the program without one:
// windows come up empty, which is logged, never fatal.

#include <QByteArray>
#include <QEvent>
#include <QHash>

#include <QPixmap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <atomic>

#include <memory>
#include <mutex>
#include <optional>

#include "ui/language.h"

namespace ui {

class SkinArchive;

inline constexpr char kResourceListPath[] = "xml/res.xml";

// Sent to every top-level widget after the UI scale changed; windows re-lay themselves out.
QEvent::Type ScaleChangeEventType();

class Resources {
  public:
    static Resources& Instance();

    Resources(const Resources&) = delete;
    Resources& operator=(const Resources&) = delete;

    // Each source replaces the previous skin and then reads "xml/res.xml". A source that opens
    // but has no usable res.xml stays in place (files can still be read by path) and the call
    // returns false with the reason.
    bool LoadFromArchive(const QByteArray& zipBytes, const QByteArray& password,
                         QString* error = nullptr);
    bool LoadFromDirectory(const QString& directory, QString* error = nullptr);
    // The archive built into the executable; false (logged) when the build carries none.
    bool LoadEmbedded(QString* error = nullptr);

    // Back to no skin, no languages, English fallback only, 96 DPI.
    void Reset();

    bool HasSkin() const;
    // Where the skin came from, for logs: "archive", "directory <path>" or "none".
    QString SourceName() const;

    // A skin file by its path inside the skin ("xml/main.xml"; backslashes count as slashes).
    // Paths that leave the skin ("../x", absolute) are refused.
    std::optional<QByteArray> ReadFile(const QString& path, QString* error = nullptr) const;
    bool Contains(const QString& path) const;

    // "XML_MAIN" -> "xml/main.xml" through res.xml's <layout> and <menu> entries; anything else
    // is taken as a path and returned cleaned.
    QString LayoutPath(const QString& nameOrPath) const;
    QStringList LayoutNames() const;

    // Images from the skin, cached; a null pixmap (logged once) when missing or unreadable.
    QPixmap Pixmap(const QString& path) const;
    // Empties the image cache (the application object is going).
    void DropPixmaps();

    // The theme as written in the skin, and applied to the application with every "px" length
    // and the application font scaled by the UI scale. Applied on load and on scale changes.
    QString StyleSheet() const;
    QString ScaledStyleSheet(int dpi) const;
    void ApplyTheme() const;

    // Languages: registered by name with their file; the selected one resolves "${key}" texts.
    // A key missing there falls back to English ("en"), then shows as its bare key name.
    void AddLanguage(const QString& name, const QString& file);
    QStringList Languages() const;
    // Loads the language's file and makes it current; every open window re-resolves its texts.
    // False (and the current language kept) for an unknown name or an unreadable file.
    bool SelectLanguage(const QString& name, QString* error = nullptr);
    QString CurrentLanguage() const;
    QString ResolveText(const QString& text) const;
    // The text of one key (bare or written as "${key}") in the current language or English.
    std::optional<QString> FindText(const QString& key) const;

    // The process-wide UI scale (77, 96, 120, 144, 192 or 288); every window follows it.
    void SetUiScaleDpi(int dpi);
    int UiScaleDpi() const;

  private:
    Resources();
    ~Resources();

    struct Source;
    bool Install(std::unique_ptr<Source> source, QString* error);
    bool LoadResourceList(QString* error);
    bool LoadTable(const QString& name, TextTable* table, QString* error) const;
    std::optional<QByteArray> ReadLocked(const QString& path, QString* error) const;
    std::optional<QString> FindLocked(const QString& key) const;
    void ReloadLanguagesLocked();
    static void BroadcastLanguageChange();

    mutable std::recursive_mutex mMutex;
    std::unique_ptr<Source> mSource;
    bool mHasSkin = false;
    QHash<QString, QString> mLayouts;
    QHash<QString, QString> mLanguageFiles;
    QStringList mLanguageOrder;
    QString mCurrentLanguage;
    TextTable mCurrent;
    mutable TextTable mEnglish;
    mutable bool mEnglishLoaded = false;
    QString mStyleSheet;
    QStringList mFontFamilies;
    int mFontSize = 0;
    int mDpi = 96;
    mutable QHash<QString, QPixmap> mPixmaps;
    mutable std::atomic<bool> mPixmapCleanupRegistered{false};
    mutable QSet<QString> mReported;
};

// Shorthands for Resources::Instance().
QString ResolveText(const QString& text);
int UiScaleDpi();

// Cleans a skin path; empty when it is not a path inside the skin.
QString CleanSkinPath(const QString& path);

}  // namespace ui
