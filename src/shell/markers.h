#pragma once
// Marker files in the working directory whose mere presence switches developer and service
// behaviour on. Their content is never read, and each call looks again, so a marker dropped in
// while the program runs counts from the next test on.

#include <QString>

namespace shell {

inline constexpr char kSaveLogMarker[] = "savelog.ini";              // run log and console
inline constexpr char kDebugMarker[] = "debug.ini";                  // the DSP memory button
inline constexpr char kNoForceUpdateMarker[] = "noForceUpdate.ini";  // no firmware offers

// Whether `fileName` exists in `directory` (the current working directory when empty). A file
// that exists but cannot be read, or whose existence cannot be ruled out because access is
// denied, counts as present; only "no such file" counts as absent.
bool MarkerPresent(const char* fileName, const QString& directory = QString());

inline bool SaveLogMarkerPresent(const QString& directory = QString()) {
    return MarkerPresent(kSaveLogMarker, directory);
}
inline bool DebugMarkerPresent(const QString& directory = QString()) {
    return MarkerPresent(kDebugMarker, directory);
}
inline bool NoForceUpdateMarkerPresent(const QString& directory = QString()) {
    return MarkerPresent(kNoForceUpdateMarker, directory);
}

}  // namespace shell
