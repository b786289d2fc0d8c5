#pragma once
// Typed, range-checked access to the keys of a parsed profile. The first problem met is kept
// with the path of the key, and every later call fails at once, so a reader can go straight
// through its keys and check once at the end.

#include <climits>
#include <span>
#include <string>
#include <vector>

struct cJSON;

namespace profiles {

// "[i]" and what follows it, for failure paths.
std::string IndexText(int i, const char* after = "");

class FieldReader {
  public:
    // The object under key, or nullptr.
    const cJSON* Object(const cJSON* parent, const char* key);
    // The array under key with exactly `size` entries, or nullptr.
    const cJSON* Array(const cJSON* parent, const char* key, int size);
    // Element i of an array that must be an object / an array of `size` entries.
    const cJSON* ObjectAt(const cJSON* array, int i);
    const cJSON* ArrayAt(const cJSON* array, int i, int size);
    // A string element.
    const char* StringAt(const cJSON* array, int i);

    // A number read as an integer (fraction dropped) inside lo..hi.
    bool Int(const cJSON* parent, const char* key, int& out, int lo = INT_MIN, int hi = INT_MAX);
    // A number that fits a float.
    bool Float(const cJSON* parent, const char* key, float& out);
    // An array of exactly out.size() integers inside lo..hi.
    bool IntArray(const cJSON* parent, const char* key, std::span<int> out, int lo = INT_MIN,
                  int hi = INT_MAX);
    bool IntsAt(const cJSON* array, int i, std::span<int> out, int lo = INT_MIN, int hi = INT_MAX);

    // Names the current level in failure paths while it lives.
    class Scope {
      public:
        Scope(FieldReader& reader, std::string name);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

      private:
        FieldReader& mReader;
    };

    bool Fail(const std::string& problem);
    bool Ok() const { return mProblem.empty(); }
    const std::string& Problem() const { return mProblem; }

  private:
    const cJSON* Member(const cJSON* parent, const char* key);
    bool IntOf(const cJSON* item, int& out, int lo, int hi, const std::string& name);
    bool FillInts(const cJSON* array, std::span<int> out, int lo, int hi, const std::string& name);
    std::string PathTo(const std::string& name) const;

    std::vector<std::string> mPath;
    std::string mProblem;
};

}  // namespace profiles
