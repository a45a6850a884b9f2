// A small JSON document model, its writer and a strict parser, for the
// files that list and import registrations. Text is UTF-16 inside and UTF-8
// in the file. Numbers keep the literal they were written or read as, so that
// a 64-bit value survives a round trip that a double would round.
#pragma once

#include <concepts>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tolvane {

class JsonValue {
  public:
    enum class Kind { Null, Boolean, Number, String, Array, Object };
    using Array = std::vector<JsonValue>;
    // Members keep the order in which they were added or read.
    using Object = std::vector<std::pair<std::wstring, JsonValue>>;

    JsonValue() = default;
    JsonValue(std::nullptr_t) {}
    JsonValue(bool value) : kind_(Kind::Boolean), boolean_(value) {}
    template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, wchar_t>) JsonValue(T value)
        : kind_(Kind::Number), text_(std::to_wstring(value)) {}
    // Not a number nor infinite; those become null, which JSON cannot carry
    // otherwise.
    JsonValue(double value);
    JsonValue(std::wstring text) : kind_(Kind::String), text_(std::move(text)) {}
    JsonValue(const wchar_t* text) : JsonValue(std::wstring(text)) {}
    JsonValue(Array items) : kind_(Kind::Array), items_(std::move(items)) {}
    JsonValue(Object members) : kind_(Kind::Object), members_(std::move(members)) {}

    // A number from its JSON literal, which the caller has checked.
    static JsonValue NumberLiteral(std::wstring literal);

    Kind kind() const { return kind_; }
    bool AsBool() const { return kind_ == Kind::Boolean && boolean_; }
    // The string, or the literal of a number; empty for other kinds.
    const std::wstring& text() const { return text_; }
    double AsDouble() const;
    // A number written as an integer that fits; false otherwise.
    bool AsInteger(long long& value) const;
    bool AsUnsigned(unsigned long long& value) const;

    const Array& items() const { return items_; }
    Array& items() { return items_; }
    const Object& members() const { return members_; }
    Object& members() { return members_; }
    // The member named |name| (compared exactly), or null.
    const JsonValue* Find(std::wstring_view name) const;

    bool operator==(const JsonValue& other) const = default;

  private:
    Kind kind_ = Kind::Null;
    bool boolean_ = false;
    std::wstring text_;
    Array items_;
    Object members_;
};

// The document as UTF-8, indented by two spaces a level, CR LF line ends and
// a final line end. Characters other than ASCII are written as themselves;
// control characters and lone surrogates (which UTF-8 cannot carry) as
// escapes.
std::string ToJson(const JsonValue& value);

struct JsonError {
    size_t line = 0;      // 1-based
    std::wstring reason;  // for the user
};

// Parses a UTF-8 document (a leading byte order mark is skipped). Strict:
// one value and nothing but white space after it, no comments, no trailing
// commas, no duplicate member names, well-formed UTF-8.
bool ParseJson(std::string_view utf8, JsonValue& value, JsonError& error);

}  // namespace tolvane
