#include "shell/run_log.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <ctime>
#include <cwchar>
#include <mutex>

namespace runlog {
namespace {

constexpr size_t kNarrowBufferSize = 1024;
constexpr size_t kWideBufferSize = 1536;
constexpr int kFlushAfterMessages = 10;

struct State {
    std::mutex lock;
    std::FILE* file = nullptr;
    std::FILE* console = nullptr;
    bool timestamp = true;
    int messageCounter = 0;
};

thread_local int tMuteDepth = 0;

State& GetState() {
    static State state;
    return state;
}

std::string FormatTimestamp() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const int millis =
        static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "[%02d:%02d:%02d.%03d] ", local.tm_hour, local.tm_min,
                  local.tm_sec, millis);
    return buffer;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        c = 0xFFFD;
    }
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Writes one formatted message; the text is written as bytes, never used as a format again.
int Emit(State& state, const std::string& text) {
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.file == nullptr) {
        ++state.messageCounter;
        return 0;
    }
    if (state.timestamp) {
        const std::string stamp = FormatTimestamp();
        std::fwrite(stamp.data(), 1, stamp.size(), state.console);
        std::fwrite(stamp.data(), 1, stamp.size(), state.file);
    }
    std::fwrite(text.data(), 1, text.size(), state.console);
    std::fwrite(text.data(), 1, text.size(), state.file);
    if (state.messageCounter > kFlushAfterMessages) {
        std::fflush(state.file);
        state.messageCounter = 0;
    }
    ++state.messageCounter;
    return static_cast<int>(text.size());
}

}  // namespace

ScopedMute::ScopedMute() {
    ++tMuteDepth;
}
ScopedMute::~ScopedMute() {
    --tMuteDepth;
}

std::string WideToUtf8(const wchar_t* text) {
    std::string out;
    for (; *text != L'\0'; ++text) {
        AppendUtf8(out, static_cast<char32_t>(*text));
    }
    return out;
}

bool Open(const std::string& path, std::FILE* console) {
    State& state = GetState();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.file != nullptr) {
        std::fclose(state.file);
    }
    state.file = file;
    state.console = console;
    state.messageCounter = 0;
    return file != nullptr;
}

bool InitConsoleWindow(const std::string& path) {
    // Logged before the file is open, so it reaches nowhere; kept for the line count it costs.
    Log("InitConsoleWindow OK!\n");
    return Open(path, stdout);
}

bool InitFromMarker(const std::string& directory) {
    const std::string base = directory.empty() ? std::string(".") : directory;
    // Presence is all that counts: a marker that cannot be read still switches the log on.
    struct stat info;
    if (::lstat((base + "/savelog.ini").c_str(), &info) != 0 && errno == ENOENT) {
        return false;
    }
    return InitConsoleWindow(base + "/save.log");
}

void Close() {
    State& state = GetState();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.file != nullptr) {
        std::fclose(state.file);
        state.file = nullptr;
    }
    if (state.console != nullptr) {
        std::fflush(state.console);
    }
}

bool IsOn() {
    State& state = GetState();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.file != nullptr;
}

void SetTimestamp(bool on) {
    State& state = GetState();
    std::lock_guard<std::mutex> guard(state.lock);
    state.timestamp = on;
}

int Log(const char* format, ...) {
    if (tMuteDepth > 0) {
        return 0;
    }
    if (!IsOn()) {
        return Emit(GetState(), std::string());
    }
    char buffer[kNarrowBufferSize];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) {
        return 0;
    }
    const size_t length = std::min(static_cast<size_t>(n), sizeof buffer - 1);
    return Emit(GetState(), std::string(buffer, length));
}

int LogW(const wchar_t* format, ...) {
    if (tMuteDepth > 0) {
        return 0;
    }
    if (!IsOn()) {
        return Emit(GetState(), std::string());
    }
    wchar_t buffer[kWideBufferSize];
    buffer[0] = L'\0';
    va_list args;
    va_start(args, format);
    // vswprintf reports an overlong message as -1 but keeps what fitted: cut there.
    std::vswprintf(buffer, kWideBufferSize, format, args);
    va_end(args);
    buffer[kWideBufferSize - 1] = L'\0';
    return Emit(GetState(), WideToUtf8(buffer));
}

}  // namespace runlog
