// skinpack: packs a skin folder into the AES-256 encrypted zip that the program embeds.
//
//   skinpack --password PASSWORD SOURCE_DIR OUTPUT_ZIP
//
// Entries are named by their path below SOURCE_DIR with forward slashes ("xml/res.xml"), sorted
// byte-wise, with a fixed time stamp and fixed attributes, so the same folder always gives the
// same bytes. Files and folders whose names start with '.' (editor and VCS droppings) are left
// out.

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The reader refuses larger entries, so packing one would only move the failure to run time.
constexpr std::uint64_t kMaxEntrySize = 64ull * 1024 * 1024;

// 1980-01-01 00:00:00, the earliest DOS time: no dependence on the clock or the time zone.
constexpr zip_uint16_t kDosTime = 0;
constexpr zip_uint16_t kDosDate = (1 << 5) | 1;

constexpr zip_uint32_t kUnixRegularFile0644 = 0100644u << 16;

// libzip takes each entry's AES salt from OpenSSL's RAND_bytes, which would make every build
// differ. This executable's definition takes precedence over libcrypto's for libzip, and draws
// the salts from a stream seeded by the packed content instead. That costs nothing: the password
// is stored in the program anyway, so the salts protect no secret.
std::uint64_t g_saltState = 0;
std::uint64_t g_saltRequests = 0;

std::uint64_t SplitMix64(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

struct Entry {
    std::string name;  // forward slashes, relative to the source folder
    fs::path path;
    std::vector<unsigned char> data;
};

struct Failure {
    std::string message;
};

[[noreturn]] void Fail(std::string message) {
    throw Failure{std::move(message)};
}

std::string Quote(const fs::path& path) {
    // Appended piece by piece: GCC 12 at -O2 misreads '"literal" + string' as an overlapping
    // copy (-Wrestrict).
    std::string quoted(1, '"');
    quoted += path.string();
    quoted += '"';
    return quoted;
}

bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= s.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        const std::uint32_t minimum[] = {0, 0x80, 0x800, 0x10000};
        if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

bool IsHidden(const fs::path& relative) {
    for (const auto& part : relative) {
        const std::string s = part.string();
        if (!s.empty() && s[0] == '.') {
            return true;
        }
    }
    return false;
}

std::vector<unsigned char> ReadWholeFile(const fs::path& path, std::uint64_t expectedSize) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Fail(Quote(path) + ": cannot open: " + std::strerror(errno));
    }
    std::vector<unsigned char> data(static_cast<std::size_t>(expectedSize));
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (static_cast<std::uint64_t>(in.gcount()) != expectedSize) {
        Fail(Quote(path) + ": cannot read: the file changed while it was being packed");
    }
    // A file that grew after its size was taken must not be packed half.
    if (in.peek() != std::ifstream::traits_type::eof()) {
        Fail(Quote(path) + ": cannot read: the file changed while it was being packed");
    }
    return data;
}

std::vector<Entry> CollectEntries(const fs::path& sourceDir) {
    std::error_code ec;
    if (!fs::is_directory(sourceDir, ec)) {
        Fail("source folder " + Quote(sourceDir) + " does not exist or is not a folder");
    }
    std::vector<Entry> entries;
    fs::recursive_directory_iterator it(sourceDir, ec);
    if (ec) {
        Fail("cannot list " + Quote(sourceDir) + ": " + ec.message());
    }
    for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) {
            Fail("cannot list " + Quote(sourceDir) + ": " + ec.message());
        }
        const fs::path& path = it->path();
        const fs::path relative = path.lexically_relative(sourceDir);
        if (IsHidden(relative)) {
            if (it->is_directory(ec)) {
                it.disable_recursion_pending();
            }
            continue;
        }
        if (it->is_directory(ec)) {
            continue;
        }
        if (!it->is_regular_file(ec)) {
            Fail(Quote(path) + ": not a regular file (or a broken link)");
        }
        const std::string name = relative.generic_string();
        if (!IsValidUtf8(name)) {
            Fail(Quote(path) + ": the file name is not valid UTF-8");
        }
        if (name.find('\\') != std::string::npos) {
            Fail(Quote(path) + ": a backslash in a file name would read as a folder separator");
        }
        const std::uint64_t size = it->file_size(ec);
        if (ec) {
            Fail(Quote(path) + ": cannot get its size: " + ec.message());
        }
        if (size > kMaxEntrySize) {
            Fail(Quote(path) + ": " + std::to_string(size) +
                 " bytes, over the limit of 64 MiB for one skin file");
        }
        entries.push_back(Entry{name, path, ReadWholeFile(path, size)});
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return entries;
}

std::uint64_t ContentSeed(const std::vector<Entry>& entries) {
    // FNV-1a over names and bytes: different skins get different salts, equal skins equal ones.
    std::uint64_t h = 0xCBF29CE484222325ull;
    auto mix = [&h](const unsigned char* p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            h = (h ^ p[i]) * 0x100000001B3ull;
        }
    };
    for (const Entry& e : entries) {
        mix(reinterpret_cast<const unsigned char*>(e.name.c_str()), e.name.size() + 1);
        mix(e.data.data(), e.data.size());
    }
    return h;
}

// Keeps a libzip object alive until the end of the scope, whatever path leaves it.
struct ArchiveGuard {
    zip_t* archive = nullptr;
    ~ArchiveGuard() {
        if (archive != nullptr) {
            zip_discard(archive);
        }
    }
};

struct SourceGuard {
    zip_source_t* source = nullptr;
    ~SourceGuard() {
        if (source != nullptr) {
            zip_source_free(source);
        }
    }
};

std::vector<unsigned char> EmptyArchive() {
    // libzip deletes an archive that ends up with no entries; a valid empty zip is just its
    // end-of-central-directory record.
    std::vector<unsigned char> eocd(22, 0);
    const unsigned char signature[] = {'P', 'K', 5, 6};
    std::copy(std::begin(signature), std::end(signature), eocd.begin());
    return eocd;
}

std::vector<unsigned char> Pack(const std::vector<Entry>& entries, const std::string& password) {
    if (entries.empty()) {
        return EmptyArchive();
    }
    zip_error_t error;
    zip_error_init(&error);
    SourceGuard out{zip_source_buffer_create(nullptr, 0, 0, &error)};
    if (out.source == nullptr) {
        const std::string message = zip_error_strerror(&error);
        zip_error_fini(&error);
        Fail("cannot create the archive in memory: " + message);
    }
    ArchiveGuard archive{zip_open_from_source(out.source, ZIP_TRUNCATE, &error)};
    if (archive.archive == nullptr) {
        const std::string message = zip_error_strerror(&error);
        zip_error_fini(&error);
        Fail("cannot create the archive in memory: " + message);
    }
    zip_error_fini(&error);
    // The archive takes a reference on close; ours keeps the written bytes readable afterwards.
    zip_source_keep(out.source);

    for (const Entry& e : entries) {
        zip_source_t* data = zip_source_buffer(archive.archive, e.data.data(), e.data.size(), 0);
        if (data == nullptr) {
            Fail(Quote(e.path) + ": " + zip_strerror(archive.archive));
        }
        const zip_int64_t index =
            zip_file_add(archive.archive, e.name.c_str(), data, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(data);
            Fail(Quote(e.path) + ": cannot add: " + zip_strerror(archive.archive));
        }
        const auto i = static_cast<zip_uint64_t>(index);
        if (zip_set_file_compression(archive.archive, i, ZIP_CM_DEFLATE, 9) != 0 ||
            zip_file_set_encryption(archive.archive, i, ZIP_EM_AES_256, password.c_str()) != 0 ||
            zip_file_set_dostime(archive.archive, i, kDosTime, kDosDate, 0) != 0 ||
            zip_file_set_external_attributes(archive.archive, i, 0, ZIP_OPSYS_UNIX,
                                             kUnixRegularFile0644) != 0) {
            Fail(Quote(e.path) + ": " + zip_strerror(archive.archive));
        }
    }

    g_saltState = ContentSeed(entries);
    g_saltRequests = 0;
    if (zip_close(archive.archive) != 0) {
        Fail(std::string("cannot write the archive: ") + zip_strerror(archive.archive));
    }
    archive.archive = nullptr;
    if (g_saltRequests == 0) {
        std::fprintf(stderr,
                     "skinpack: warning: libzip did not take its AES salts from RAND_bytes; the "
                     "archive will differ from build to build\n");
    }

    if (zip_source_open(out.source) != 0) {
        Fail(std::string("cannot read back the archive: ") +
             zip_error_strerror(zip_source_error(out.source)));
    }
    std::vector<unsigned char> bytes;
    unsigned char chunk[65536];
    for (;;) {
        const zip_int64_t n = zip_source_read(out.source, chunk, sizeof chunk);
        if (n < 0) {
            zip_source_close(out.source);
            Fail(std::string("cannot read back the archive: ") +
                 zip_error_strerror(zip_source_error(out.source)));
        }
        if (n == 0) {
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    zip_source_close(out.source);
    return bytes;
}

// Reads every entry back with the password: a packing fault shows here, not in the program.
void Verify(const std::vector<unsigned char>& bytes, const std::vector<Entry>& entries,
            const std::string& password) {
    const std::string what = "verification of the packed archive failed: ";
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source == nullptr) {
        zip_error_fini(&error);
        Fail(what + "out of memory");
    }
    ArchiveGuard archive{zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error)};
    if (archive.archive == nullptr) {
        zip_source_free(source);
        const std::string message = zip_error_strerror(&error);
        zip_error_fini(&error);
        Fail(what + message);
    }
    zip_error_fini(&error);
    if (zip_get_num_entries(archive.archive, 0) != static_cast<zip_int64_t>(entries.size())) {
        Fail(what + "wrong number of entries");
    }
    std::vector<unsigned char> read;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive.archive, i, 0, &st) != 0 || st.name == nullptr ||
            e.name != st.name || st.encryption_method != ZIP_EM_AES_256 ||
            st.size != e.data.size()) {
            Fail(what + "\"" + e.name + "\": header does not match the file");
        }
        zip_file_t* file = zip_fopen_index_encrypted(archive.archive, i, 0, password.c_str());
        if (file == nullptr) {
            Fail(what + "\"" + e.name + "\": " + zip_strerror(archive.archive));
        }
        read.assign(e.data.size() + 1, 0);
        zip_uint64_t total = 0;
        zip_int64_t n = 0;
        while ((n = zip_fread(file, read.data() + total, read.size() - total)) > 0) {
            total += static_cast<zip_uint64_t>(n);
            if (total == read.size()) {
                break;
            }
        }
        const std::string fileError = n < 0 ? zip_file_strerror(file) : "";
        zip_fclose(file);
        if (n < 0) {
            Fail(what + "\"" + e.name + "\": " + fileError);
        }
        if (total != e.data.size() || !std::equal(e.data.begin(), e.data.end(), read.begin())) {
            Fail(what + "\"" + e.name + "\": content differs from the file");
        }
    }
}

void WriteAtomically(const fs::path& output, const std::vector<unsigned char>& bytes) {
    fs::path temporary = output;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            Fail("cannot create " + Quote(temporary) + ": " + std::strerror(errno));
        }
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            Fail("cannot write " + Quote(temporary) + ": " + std::strerror(errno));
        }
    }
    std::error_code ec;
    fs::rename(temporary, output, ec);
    if (ec) {
        fs::remove(temporary, ec);
        Fail("cannot replace " + Quote(output) + ": " + ec.message());
    }
}

void PrintUsage(std::FILE* to) {
    std::fputs(
        "usage: skinpack --password PASSWORD SOURCE_DIR OUTPUT_ZIP\n"
        "Packs every file below SOURCE_DIR (names starting with '.' excepted) into OUTPUT_ZIP,\n"
        "each entry deflated and AES-256 encrypted with PASSWORD. The output depends only on\n"
        "the files' names and contents.\n",
        to);
}

}  // namespace

extern "C" int RAND_bytes(unsigned char* buffer, int count) {
    ++g_saltRequests;
    for (int i = 0; i < count; i += 8) {
        const std::uint64_t word = SplitMix64(g_saltState);
        for (int k = 0; k < 8 && i + k < count; ++k) {
            buffer[i + k] = static_cast<unsigned char>(word >> (8 * k));
        }
    }
    return 1;
}

int main(int argc, char** argv) {
    std::string password;
    bool havePassword = false;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            PrintUsage(stdout);
            return 0;
        }
        if (arg == "--password") {
            if (i + 1 >= argc) {
                std::fputs("skinpack: --password needs a value\n", stderr);
                return 2;
            }
            password = argv[++i];
            havePassword = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "skinpack: unknown option \"%s\"\n", argv[i]);
            PrintUsage(stderr);
            return 2;
        } else {
            positional.emplace_back(arg);
        }
    }
    if (!havePassword || positional.size() != 2) {
        PrintUsage(stderr);
        return 2;
    }
    if (password.empty()) {
        std::fputs("skinpack: the password must not be empty\n", stderr);
        return 2;
    }
    const fs::path sourceDir = positional[0];
    const fs::path output = positional[1];
    try {
        if (!zip_encryption_method_supported(ZIP_EM_AES_256, 1)) {
            Fail("this libzip was built without AES-256 encryption support");
        }
        const std::vector<Entry> entries = CollectEntries(sourceDir);
        const std::vector<unsigned char> bytes = Pack(entries, password);
        Verify(bytes, entries, password);
        WriteAtomically(output, bytes);
    } catch (const Failure& failure) {
        std::fprintf(stderr, "skinpack: %s\n", failure.message.c_str());
        // A stale archive must not pass for the result of this run.
        std::error_code ignored;
        fs::remove(output, ignored);
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "skinpack: %s\n", e.what());
        std::error_code ignored;
        fs::remove(output, ignored);
        return 1;
    }
    return 0;
}
