#include "profiles/profile_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace profiles {
namespace {

namespace fs = std::filesystem;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string Reason(int error) {
    return std::strerror(error);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    for (size_t i = 0; i < suffix.size(); ++i) {
        const char c = text[text.size() - suffix.size() + i];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != suffix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

ProfileKind KindOfPath(std::string_view path) {
    if (EndsWithNoCase(path, ".spf")) {
        return ProfileKind::kScene;
    }
    if (EndsWithNoCase(path, ".wpf")) {
        return ProfileKind::kWhole;
    }
    return ProfileKind::kUnknown;
}

ProfileFailure LoadFromFile(const std::string& path, std::string& text) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || status.type() == fs::file_type::not_found) {
        return {ProfileError::kOpen, Reason(ec ? ec.value() : ENOENT)};
    }
    if (status.type() != fs::file_type::regular) {
        return {ProfileError::kOpen, "not a regular file"};
    }
    const File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return {ProfileError::kOpen, Reason(errno)};
    }
    if (std::fseek(file.get(), 0, SEEK_END) != 0) {
        return {ProfileError::kOpen, Reason(errno)};
    }
    const long size = std::ftell(file.get());
    if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
        return {ProfileError::kOpen, Reason(errno)};
    }
    if (static_cast<unsigned long>(size) > kMaxProfileBytes) {
        return {ProfileError::kOpen, "too large for a profile"};
    }
    std::string buffer(static_cast<size_t>(size), '\0');
    if (std::fread(buffer.data(), 1, buffer.size(), file.get()) != buffer.size()) {
        return {ProfileError::kOpen, "could not be read whole"};
    }
    text = std::move(buffer);
    return {};
}

ProfileFailure SaveToFile(const std::string& path, std::string_view text) {
    const fs::path target(path);
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    // Built by appending: GCC 12 at -O2 misreads '"." + string' as an overlapping copy.
    std::string hidden(1, '.');
    hidden += target.filename().string();
    hidden += ".XXXXXX";
    std::string temp = (dir / hidden).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return {ProfileError::kCreate, Reason(errno)};
    }
    // mkstemp makes the file private; a profile gets the usual permissions.
    ::fchmod(fd, 0644);
    File file(::fdopen(fd, "wb"));
    if (!file) {
        const int error = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        return {ProfileError::kCreate, Reason(error)};
    }
    bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    written = std::fflush(file.get()) == 0 && written;
    written = ::fsync(::fileno(file.get())) == 0 && written;
    const int error = errno;
    file.reset();
    if (!written) {
        ::unlink(temp.c_str());
        return {ProfileError::kCreate, Reason(error)};
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temp.c_str());
        return {ProfileError::kCreate, Reason(renameError)};
    }
    return {};
}

SceneProfileLoad LoadSceneProfile(const std::string& path, const model::ProfileRecord& base) {
    std::string text;
    SceneProfileLoad result;
    result.failure = LoadFromFile(path, text);
    return result.failure ? std::move(result) : ReadSceneProfile(text, base);
}

WholeProfileLoad LoadWholeProfile(const std::string& path, const model::ProfileRecord& liveBase,
                                  const model::SceneTable& scenesBase) {
    std::string text;
    WholeProfileLoad result;
    result.failure = LoadFromFile(path, text);
    return result.failure ? std::move(result) : ReadWholeProfile(text, liveBase, scenesBase);
}

}  // namespace profiles
