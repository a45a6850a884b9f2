#include "toolkit/json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <unordered_set>

#include "toolkit/narrow.h"

namespace tolvane {

namespace {

// Deeper documents are refused rather than risk the stack.
constexpr int kMaxDepth = 200;
// Objects up to this size are searched for a duplicate name one member
// after another; larger ones by hash.
constexpr size_t kScannedMembers = 16;
// Room made for the items of a list that is not empty.
constexpr size_t kFirstItems = 8;

std::string Ascii(std::wstring_view text) {
    return std::string(text.begin(), text.end());
}

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

bool IsIntegerLiteral(std::wstring_view literal) {
    if (!literal.empty() && literal[0] == L'-') literal.remove_prefix(1);
    if (literal.empty()) return false;
    for (wchar_t c : literal) {
        if (!IsDigit(c)) return false;
    }
    return true;
}

template <typename Number>
bool ParseInteger(const std::wstring& literal, Number& value) {
    if (!IsIntegerLiteral(literal)) return false;
    std::string ascii = Ascii(literal);
    auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    return error == std::errc() && end == ascii.data() + ascii.size();
}

// Writing.

// The characters that have a short escape, and the letters that stand for
// them after the backslash.
constexpr std::wstring_view kEscaped = L"\"\\/\b\f\n\r\t";
constexpr std::wstring_view kEscapeLetters = L"\"\\/bfnrt";

void AppendHex4(wchar_t c, std::wstring& out) {
    constexpr wchar_t kDigits[] = L"0123456789abcdef";
    out += L"\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(c >> shift) & 0xF];
}

void AppendString(std::wstring_view text, std::wstring& out) {
    out += L'"';
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        size_t escape = c == L'/' ? std::wstring_view::npos : kEscaped.find(c);
        if (escape != std::wstring_view::npos) {
            out += L'\\';
            out += kEscapeLetters[escape];
        } else if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            out += c;
            out += text[++i];
        } else if (c < 0x20 || IsHighSurrogate(c) || IsLowSurrogate(c)) {
            AppendHex4(c, out);
        } else {
            out += c;
        }
    }
    out += L'"';
}

void AppendValue(const JsonValue& value, int depth, std::wstring& out);

void AppendBreak(int depth, std::wstring& out) {
    out += L"\r\n";
    out.append(static_cast<size_t>(depth) * 2, L' ');
}

void AppendArray(const JsonValue::Array& items, int depth, std::wstring& out) {
    if (items.empty()) {
        out += L"[]";
        return;
    }
    out += L'[';
    for (size_t i = 0; i < items.size(); ++i) {
        if (i) out += L',';
        AppendBreak(depth + 1, out);
        AppendValue(items[i], depth + 1, out);
    }
    AppendBreak(depth, out);
    out += L']';
}

void AppendObject(const JsonValue::Object& members, int depth, std::wstring& out) {
    if (members.empty()) {
        out += L"{}";
        return;
    }
    out += L'{';
    for (size_t i = 0; i < members.size(); ++i) {
        if (i) out += L',';
        AppendBreak(depth + 1, out);
        AppendString(members[i].first, out);
        out += L": ";
        AppendValue(members[i].second, depth + 1, out);
    }
    AppendBreak(depth, out);
    out += L'}';
}

void AppendValue(const JsonValue& value, int depth, std::wstring& out) {
    switch (value.kind()) {
        case JsonValue::Kind::Null:
            out += L"null";
            break;
        case JsonValue::Kind::Boolean:
            out += value.AsBool() ? L"true" : L"false";
            break;
        case JsonValue::Kind::Number:
            out += value.text();
            break;
        case JsonValue::Kind::String:
            AppendString(value.text(), out);
            break;
        case JsonValue::Kind::Array:
            AppendArray(value.items(), depth, out);
            break;
        case JsonValue::Kind::Object:
            AppendObject(value.members(), depth, out);
            break;
    }
}

// Parsing.

class Parser {
  public:
    Parser(std::wstring_view text, JsonError& error) : text_(text), error_(error) {}

    bool ParseDocument(JsonValue& value) {
        if (!text_.empty() && text_[0] == 0xFEFF) at_ = 1;
        SkipSpace();
        if (!ParseValue(value, 0)) return false;
        SkipSpace();
        return at_ == text_.size() || Fail(L"值的后面还有多余的内容");
    }

  private:
    bool Fail(const wchar_t* reason) {
        error_.line = line_;
        error_.reason = reason;
        return false;
    }

    bool AtEnd() const { return at_ >= text_.size(); }
    wchar_t Peek() const { return AtEnd() ? 0 : text_[at_]; }

    void SkipSpace() {
        while (!AtEnd()) {
            wchar_t c = text_[at_];
            if (c == L'\n') ++line_;
            if (c != L' ' && c != L'\t' && c != L'\r' && c != L'\n') return;
            ++at_;
        }
    }

    bool Expect(wchar_t c, const wchar_t* reason) {
        SkipSpace();
        if (Peek() != c) return Fail(AtEnd() ? L"文件意外结束" : reason);
        ++at_;
        return true;
    }

    bool ParseValue(JsonValue& value, int depth) {
        if (AtEnd()) return Fail(L"文件意外结束");
        if (depth > kMaxDepth) return Fail(L"嵌套层次太深");
        wchar_t c = Peek();
        if (c == L'{') return ParseObject(value, depth);
        if (c == L'[') return ParseArray(value, depth);
        if (c == L'"') {
            std::wstring text;
            if (!ParseString(text)) return false;
            value = JsonValue(std::move(text));
            return true;
        }
        if (c == L'-' || IsDigit(c)) return ParseNumber(value);
        return ParseWord(value);
    }

    bool ParseWord(JsonValue& value) {
        for (auto [word, meaning] :
             {std::pair{L"true", JsonValue(true)}, std::pair{L"false", JsonValue(false)},
              std::pair{L"null", JsonValue()}}) {
            if (text_.substr(at_).starts_with(word)) {
                at_ += wcslen(word);
                value = std::move(meaning);
                return true;
            }
        }
        return Fail(L"无法识别的值");
    }

    size_t SkipDigits() {
        size_t start = at_;
        while (IsDigit(Peek())) ++at_;
        return at_ - start;
    }

    bool ParseNumber(JsonValue& value) {
        size_t start = at_;
        if (Peek() == L'-') ++at_;
        if (Peek() == L'0') {
            ++at_;
        } else if (SkipDigits() == 0) {
            return Fail(L"无效的数字");
        }
        if (Peek() == L'.') {
            ++at_;
            if (SkipDigits() == 0) return Fail(L"无效的数字");
        }
        if (Peek() == L'e' || Peek() == L'E') {
            ++at_;
            if (Peek() == L'+' || Peek() == L'-') ++at_;
            if (SkipDigits() == 0) return Fail(L"无效的数字");
        }
        if (IsDigit(Peek())) return Fail(L"无效的数字");  // a leading zero
        value = JsonValue::NumberLiteral(std::wstring(text_.substr(start, at_ - start)));
        return true;
    }

    bool ParseHex4(wchar_t& unit) {
        if (at_ + 4 > text_.size()) return Fail(L"无效的转义序列");
        unit = 0;
        for (int i = 0; i < 4; ++i) {
            wchar_t c = text_[at_++];
            int digit = IsDigit(c)               ? c - L'0'
                        : c >= L'a' && c <= L'f' ? c - L'a' + 10
                        : c >= L'A' && c <= L'F' ? c - L'A' + 10
                                                 : -1;
            if (digit < 0) return Fail(L"无效的转义序列");
            unit = static_cast<wchar_t>(unit * 16 + digit);
        }
        return true;
    }

    bool ParseEscape(std::wstring& text) {
        if (AtEnd()) return Fail(L"字符串没有结束");
        wchar_t c = text_[at_++];
        if (size_t found = kEscapeLetters.find(c); found != std::wstring_view::npos) {
            text += kEscaped[found];
            return true;
        }
        if (c != L'u') return Fail(L"无效的转义序列");
        // A pair of escaped surrogates stands for one character; the two
        // units appended one after the other are exactly that character.
        wchar_t unit = 0;
        if (!ParseHex4(unit)) return false;
        text += unit;
        return true;
    }

    bool ParseString(std::wstring& text) {
        ++at_;  // the opening quote
        // Room for the text at once: a heap that keeps what growing strings
        // leave behind (Wine's) slows down as such remnants add up.
        size_t close = text_.find(L'"', at_);
        if (close != std::wstring_view::npos) text.reserve(close - at_);
        for (;;) {
            if (AtEnd()) return Fail(L"字符串没有结束");
            wchar_t c = text_[at_++];
            if (c == L'"') return true;
            if (c == L'\\') {
                if (!ParseEscape(text)) return false;
            } else if (c < 0x20) {
                return Fail(L"字符串里有未转义的控制字符");
            } else {
                text += c;
            }
        }
    }

    // An array or an object: |close| right after the opening, or items that
    // |parseItem| reads, with a comma between two and |close| after the last.
    template <typename Items, typename ParseItem>
    bool ParseList(wchar_t close, const wchar_t* missing, JsonValue& value, ParseItem parseItem) {
        ++at_;
        Items items;
        SkipSpace();
        bool more = Peek() != close;
        // Most lists of the files read are objects of a few members.
        if (more) items.reserve(kFirstItems);
        while (more) {
            if (!parseItem(items)) return false;
            SkipSpace();
            more = Peek() != close;
            if (more && !Expect(L',', missing)) return false;
        }
        ++at_;
        value = JsonValue(std::move(items));
        return true;
    }

    bool ParseArray(JsonValue& value, int depth) {
        return ParseList<JsonValue::Array>(L']', L"数组里缺少“,”或“]”", value, [&](auto& items) {
            SkipSpace();
            return ParseValue(items.emplace_back(), depth + 1);
        });
    }

    // Whether |name| is taken: a look through a small object's members, a
    // hash of a large one's names in |names|, filled when first needed.
    static bool Taken(const JsonValue::Object& members, std::unordered_set<std::wstring>& names,
                      const std::wstring& name) {
        if (members.size() < kScannedMembers) {
            return std::any_of(members.begin(), members.end(),
                               [&](const auto& member) { return member.first == name; });
        }
        if (names.empty()) {
            for (const auto& member : members) names.insert(member.first);
        }
        return !names.insert(name).second;
    }

    bool ParseMember(JsonValue::Object& members, std::unordered_set<std::wstring>& names,
                     int depth) {
        SkipSpace();
        if (Peek() != L'"') return Fail(AtEnd() ? L"文件意外结束" : L"成员名必须是字符串");
        std::wstring name;
        if (!ParseString(name)) return false;
        if (Taken(members, names, name)) return Fail(L"重复的成员名");
        if (!Expect(L':', L"成员名后面缺少“:”")) return false;
        SkipSpace();
        JsonValue member;
        if (!ParseValue(member, depth + 1)) return false;
        members.emplace_back(std::move(name), std::move(member));
        return true;
    }

    bool ParseObject(JsonValue& value, int depth) {
        std::unordered_set<std::wstring> names;
        return ParseList<JsonValue::Object>(L'}', L"对象里缺少“,”或“}”", value, [&](auto& members) {
            return ParseMember(members, names, depth);
        });
    }

    std::wstring_view text_;
    JsonError& error_;
    size_t at_ = 0;
    size_t line_ = 1;
};

}  // namespace

JsonValue::JsonValue(double value) {
    if (!std::isfinite(value)) return;
    char buffer[32];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof(buffer), value);
    kind_ = Kind::Number;
    text_.assign(buffer, end);
}

JsonValue JsonValue::NumberLiteral(std::wstring literal) {
    JsonValue value;
    value.kind_ = Kind::Number;
    value.text_ = std::move(literal);
    return value;
}

double JsonValue::AsDouble() const {
    if (kind_ != Kind::Number) return 0;
    std::string ascii = Ascii(text_);
    double value = 0;
    std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    return value;
}

bool JsonValue::AsInteger(long long& value) const {
    return kind_ == Kind::Number && ParseInteger(text_, value);
}

bool JsonValue::AsUnsigned(unsigned long long& value) const {
    return kind_ == Kind::Number && ParseInteger(text_, value);
}

const JsonValue* JsonValue::Find(std::wstring_view name) const {
    for (const auto& [memberName, member] : members_) {
        if (memberName == name) return &member;
    }
    return nullptr;
}

std::string ToJson(const JsonValue& value) {
    std::wstring text;
    AppendValue(value, 0, text);
    text += L"\r\n";
    // Every lone surrogate went out as an escape, so the conversion is exact.
    return ToUtf8(text);
}

bool ParseJson(std::string_view utf8, JsonValue& value, JsonError& error) {
    // Line by line, so that ill-formed UTF-8 is reported with its line. The
    // CR of a CR LF goes with it: both are white space, and both are refused
    // alike inside a string.
    std::vector<std::wstring> lines;
    size_t badLine = 0;
    if (!FromUtf8Lines(utf8, lines, badLine)) {
        error = {badLine, L"不是有效的 UTF-8 文本"};
        return false;
    }
    std::wstring text;
    for (size_t i = 0; i < lines.size(); ++i) text += (i ? L"\n" : L"") + lines[i];
    return Parser(text, error).ParseDocument(value);
}

}  // namespace tolvane
