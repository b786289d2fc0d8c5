#pragma once
// The run log: silent unless opened, then every line goes to the console and to the file.
// Both loggers write UTF-8, so one file never mixes encodings.

#include <cstdio>
#include <string>

namespace runlog {

// Opens the log file (truncated) and echoes every line to `console` from now on.
// Returns false when the file cannot be opened; the log then stays off.
bool Open(const std::string& path, std::FILE* console);

// The start-up form: the file "save.log" given by path, echoed to standard output.
bool InitConsoleWindow(const std::string& path);

// Turns the log on when the marker file "savelog.ini" exists in `directory`: the file
// "save.log" there, echoed to standard output. Returns whether the log is on.
bool InitFromMarker(const std::string& directory);

// Flushes and closes the file; the log is off afterwards.
void Close();

bool IsOn();

// printf-style; return the number of characters formatted, 0 while the log is off.
// A message longer than its buffer (1024 bytes, 1536 wide characters) is cut.
int Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
int LogW(const wchar_t* format, ...);

// Callers that print one line in several pieces turn the time stamp off for the continuation.
void SetTimestamp(bool on);

// Silences the log on the calling thread while it lives, e.g. for the virtual amplifier's own
// framing, which must not show as the program's lines.
class ScopedMute {
  public:
    ScopedMute();
    ~ScopedMute();
    ScopedMute(const ScopedMute&) = delete;
    ScopedMute& operator=(const ScopedMute&) = delete;
};

// Encodes wide text as UTF-8; characters that are not valid code points become U+FFFD.
std::string WideToUtf8(const wchar_t* text);

}  // namespace runlog
