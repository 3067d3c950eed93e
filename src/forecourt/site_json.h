// A small JSON reader for the site files: every value keeps the line and
// column it starts at, so that a value the site cannot use is refused with
// the line a technician has to mend. Bounded: a text over kLargestSiteFile
// bytes or nested deeper than kDeepestSiteNesting is refused before it is
// read, and an object that names a key twice is refused (a second value
// would silently replace the first). Plain C++.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantrel::forecourt {

inline constexpr std::size_t kLargestSiteFile = 1024 * 1024;
inline constexpr int kDeepestSiteNesting = 32;

struct JsonMember;

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    int line = 1, column = 1; // where the value starts, counting from 1
    bool boolean = false;
    double number = 0;
    std::string text; // a string's characters (UTF-8), or a number as written
    std::vector<JsonValue> items;
    std::vector<JsonMember> members; // in the order written

    // The member of that key, or nullptr.
    const JsonValue* member(std::string_view key) const;
};

// A key of an object and its value (a pair of its own, since std::pair
// cannot hold the value before its type is complete).
struct JsonMember {
    std::string first;
    JsonValue second;
};

// "a string", "a number", "a list", "an object", ...
const char* jsonKindName(JsonValue::Kind kind);

struct JsonParse {
    std::optional<JsonValue> value; // set when the text reads
    int line = 0, column = 0;       // where it stopped reading otherwise
    std::string reason;
};

JsonParse parseJson(std::string_view text);

// A text of the file as a refusal shows it: every control character (C0,
// DEL, C1, and the marks that turn the direction of a line) and `"` and `\`
// written as a JSON escape, a byte that is no UTF-8 as \xFF, cut after
// `longest` characters with "…". So a refusal stays one short line that
// a terminal shows as it is, whatever the file holds.
std::string escapedForReason(std::string_view text, std::size_t longest);
// The same in double quotes, cut after kQuotedForReason characters.
inline constexpr std::size_t kQuotedForReason = 40;
std::string quotedForReason(std::string_view text);

} // namespace vantrel::forecourt
