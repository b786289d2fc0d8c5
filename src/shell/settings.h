#pragma once
// The program's one settings file, "trevik.ini": section "config", key "lan" (the language
// index). It lives in the user's configuration folder and falls back to the working directory
// when that folder cannot be had. Reading never creates anything; only a language switch
// writes the file.

#include <QString>

namespace shell {

inline constexpr char kSettingsFileName[] = "trevik.ini";
inline constexpr char kSettingsSection[] = "config";
inline constexpr char kLanguageKey[] = "lan";
inline constexpr int kLanguageCount = 3;

// "en", "cn_zh" and "ru" for 0, 1 and 2; empty for any other index (no language selected).
QString LanguageName(int index);
// The index of a language name, or -1.
int LanguageIndex(const QString& name);

// $XDG_CONFIG_HOME/orn-dsp (or its default, ~/.config/orn-dsp); empty when no such folder
// can be named. The folder is not created here.
QString UserConfigFolder();

class Settings {
  public:
    // The user's configuration folder, falling back to the current working directory.
    Settings();
    // Explicit folders; an empty configFolder means it cannot be obtained.
    Settings(QString configFolder, QString workingFolder);

    // The stored "lan": 0 when there is no file, no key or no number. Values outside 0..2 are
    // returned as they are; LanguageName() turns them into "no language".
    int ReadLanguage() const;

    // Writes "lan" as "0", "1" or "2", keeping everything else in the file. Creates the
    // configuration folder when needed; when it cannot be created or written, the working
    // directory takes the file. Any other index is refused and nothing is written.
    bool WriteLanguage(int index);

    // The file a read looks at: the configuration folder's when it exists, else the working
    // directory's (which may not exist either).
    QString ReadPath() const;

  private:
    QString mConfigFolder;
    QString mWorkingFolder;
};

}  // namespace shell
