#pragma once
// The program's one settings file, "trevik.ini": section "config", keys "lan" (the language
// index) and the memory window's "mem_addr" and "mem_data". It lives in the user's
// configuration folder and falls back to the working directory when that folder cannot be had.
// Reading never creates anything; a language switch and the memory window write the file.

#include <QString>

namespace shell {

inline constexpr char kSettingsFileName[] = "trevik.ini";
inline constexpr char kSettingsSection[] = "config";
inline constexpr char kLanguageKey[] = "lan";
// The memory window's last address and data word, as signed decimal text.
inline constexpr char kMemAddrKey[] = "mem_addr";
inline constexpr char kMemDataKey[] = "mem_data";
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

    // Any integer key of the section: fallback when there is no file, no key or no number.
    int ReadInt(const char* key, int fallback) const;
    // Writes the key as signed decimal text, keeping everything else, where WriteLanguage
    // would.
    bool WriteInt(const char* key, int value);

    // The file a read looks at: the configuration folder's when it exists, else the working
    // directory's (which may not exist either).
    QString ReadPath() const;

  private:
    QString mConfigFolder;
    QString mWorkingFolder;
};

}  // namespace shell
