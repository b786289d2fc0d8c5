#include "profiles/json_fields.h"

#include <cJSON.h>

#include <cfloat>
#include <cmath>

namespace profiles {
namespace {

std::string Quoted(const char* key) {
    return std::string("\"") + key + "\"";
}

}  // namespace

std::string IndexText(int i, const char* after) {
    // Appended piece by piece: GCC 12 at -O2 misreads '"[" + string' as an overlapping copy.
    std::string text(1, '[');
    text += std::to_string(i);
    text += ']';
    text += after;
    return text;
}

FieldReader::Scope::Scope(FieldReader& reader, std::string name) : mReader(reader) {
    mReader.mPath.push_back(std::move(name));
}

FieldReader::Scope::~Scope() {
    mReader.mPath.pop_back();
}

std::string FieldReader::PathTo(const std::string& name) const {
    std::string path;
    for (const std::string& part : mPath) {
        path += part;
    }
    return path + name;
}

bool FieldReader::Fail(const std::string& problem) {
    if (mProblem.empty()) {
        mProblem = problem;
    }
    return false;
}

const cJSON* FieldReader::Member(const cJSON* parent, const char* key) {
    if (!Ok()) {
        return nullptr;
    }
    const cJSON* item =
        cJSON_IsObject(parent) ? cJSON_GetObjectItemCaseSensitive(parent, key) : nullptr;
    if (!item) {
        Fail(PathTo(Quoted(key)) + " is missing");
    }
    return item;
}

const cJSON* FieldReader::Object(const cJSON* parent, const char* key) {
    const cJSON* item = Member(parent, key);
    if (item && !cJSON_IsObject(item)) {
        Fail(PathTo(Quoted(key)) + " is not an object");
        return nullptr;
    }
    return item;
}

const cJSON* FieldReader::Array(const cJSON* parent, const char* key, int size) {
    const cJSON* item = Member(parent, key);
    if (!item) {
        return nullptr;
    }
    if (!cJSON_IsArray(item)) {
        Fail(PathTo(Quoted(key)) + " is not an array");
        return nullptr;
    }
    const int count = cJSON_GetArraySize(item);
    if (count != size) {
        Fail(PathTo(Quoted(key)) + " has " + std::to_string(count) + " entries, expected " +
             std::to_string(size));
        return nullptr;
    }
    return item;
}

const cJSON* FieldReader::ObjectAt(const cJSON* array, int i) {
    if (!Ok()) {
        return nullptr;
    }
    const cJSON* item = cJSON_GetArrayItem(array, i);
    if (!cJSON_IsObject(item)) {
        Fail(PathTo(IndexText(i)) + " is not an object");
        return nullptr;
    }
    return item;
}

const cJSON* FieldReader::ArrayAt(const cJSON* array, int i, int size) {
    if (!Ok()) {
        return nullptr;
    }
    const cJSON* item = cJSON_GetArrayItem(array, i);
    if (!cJSON_IsArray(item)) {
        return Fail(PathTo(IndexText(i)) + " is not an array"), nullptr;
    }
    const int count = cJSON_GetArraySize(item);
    if (count != size) {
        Fail(PathTo(IndexText(i)) + " has " + std::to_string(count) + " entries, expected " +
             std::to_string(size));
        return nullptr;
    }
    return item;
}

const char* FieldReader::StringAt(const cJSON* array, int i) {
    if (!Ok()) {
        return nullptr;
    }
    const cJSON* item = cJSON_GetArrayItem(array, i);
    if (!cJSON_IsString(item) || !item->valuestring) {
        Fail(PathTo(IndexText(i)) + " is not a string");
        return nullptr;
    }
    return item->valuestring;
}

bool FieldReader::IntOf(const cJSON* item, int& out, int lo, int hi, const std::string& name) {
    if (!cJSON_IsNumber(item)) {
        return Fail(PathTo(name) + " is not a number");
    }
    const double v = item->valuedouble;
    // Checked before converting: a double outside int's range has no int value.
    if (!std::isfinite(v) || v <= static_cast<double>(INT_MIN) - 1.0 ||
        v >= static_cast<double>(INT_MAX) + 1.0) {
        return Fail(PathTo(name) + " is not an integer");
    }
    const int value = static_cast<int>(v);
    if (value < lo || value > hi) {
        return Fail(PathTo(name) + " is " + std::to_string(value) + ", outside " +
                    std::to_string(lo) + ".." + std::to_string(hi));
    }
    out = value;
    return true;
}

bool FieldReader::Int(const cJSON* parent, const char* key, int& out, int lo, int hi) {
    const cJSON* item = Member(parent, key);
    return item && IntOf(item, out, lo, hi, Quoted(key));
}

bool FieldReader::Float(const cJSON* parent, const char* key, float& out) {
    const cJSON* item = Member(parent, key);
    if (!item) {
        return false;
    }
    if (!cJSON_IsNumber(item)) {
        return Fail(PathTo(Quoted(key)) + " is not a number");
    }
    const double v = item->valuedouble;
    if (!std::isfinite(v) || std::fabs(v) > static_cast<double>(FLT_MAX)) {
        return Fail(PathTo(Quoted(key)) + " does not fit a single-precision number");
    }
    out = static_cast<float>(v);
    return true;
}

bool FieldReader::FillInts(const cJSON* array, std::span<int> out, int lo, int hi,
                           const std::string& name) {
    int i = 0;
    for (const cJSON* item = array->child; item && i < static_cast<int>(out.size());
         item = item->next, ++i) {
        if (!IntOf(item, out[static_cast<size_t>(i)], lo, hi, name + IndexText(i))) {
            return false;
        }
    }
    return true;
}

bool FieldReader::IntArray(const cJSON* parent, const char* key, std::span<int> out, int lo,
                           int hi) {
    const cJSON* array = Array(parent, key, static_cast<int>(out.size()));
    return array && FillInts(array, out, lo, hi, Quoted(key));
}

bool FieldReader::IntsAt(const cJSON* array, int i, std::span<int> out, int lo, int hi) {
    const cJSON* row = ArrayAt(array, i, static_cast<int>(out.size()));
    return row && FillInts(row, out, lo, hi, IndexText(i));
}

}  // namespace profiles
