#include "common_dialog/numeric_text.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "common_dialog/raised_error.h"

namespace tolvane {

namespace {

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

std::wstring_view Trim(std::wstring_view text) {
    size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring_view::npos) return {};
    size_t last = text.find_last_not_of(L" \t");
    return text.substr(first, last - first + 1);
}

int DigitValue(wchar_t c) {
    if (IsDigit(c)) return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return 99;
}

// &H and &O literals: the digits fill 32 bits, so &HFFFFFFFF is -1.
int32_t RadixToLong(std::wstring_view digits, int radix) {
    if (digits.empty()) throw RaisedError(kErrTypeMismatch);
    uint64_t value = 0;
    for (wchar_t c : digits) {
        int digit = DigitValue(c);
        if (digit >= radix) throw RaisedError(kErrTypeMismatch);
        value = value * radix + digit;
        if (value > 0xFFFFFFFFull) throw RaisedError(kErrOverflow);
    }
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

size_t SkipDigits(std::wstring_view text, size_t at) {
    while (at < text.size() && IsDigit(text[at])) ++at;
    return at;
}

// Whether |text| is [sign] digits [. digits] [e|d [sign] digits] with at
// least one digit in the mantissa.
bool IsDecimal(std::wstring_view text) {
    size_t at = 0;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) ++at;
    size_t mantissa = at;
    at = SkipDigits(text, at);
    size_t digits = at - mantissa;
    if (at < text.size() && text[at] == L'.') {
        size_t fraction = at + 1;
        at = SkipDigits(text, fraction);
        digits += at - fraction;
    }
    if (digits == 0) return false;
    if (at < text.size() && std::wstring_view(L"eEdD").find(text[at]) != std::wstring_view::npos) {
        ++at;
        if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) ++at;
        size_t exponent = at;
        at = SkipDigits(text, at);
        if (at == exponent) return false;
    }
    return at == text.size();
}

}  // namespace

int32_t RoundToLong(double value) {
    double rounded = std::floor(value);
    double rest = value - rounded;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(rounded, 2.0) != 0.0)) rounded += 1.0;
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) throw RaisedError(kErrOverflow);
    return static_cast<int32_t>(rounded);
}

int32_t TextToLong(std::wstring_view text) {
    text = Trim(text);
    if (text.size() >= 2 && text[0] == L'&') {
        if (text[1] == L'H' || text[1] == L'h') return RadixToLong(text.substr(2), 16);
        if (text[1] == L'O' || text[1] == L'o') return RadixToLong(text.substr(2), 8);
    }
    if (!IsDecimal(text)) throw RaisedError(kErrTypeMismatch);
    // Only ASCII digits, signs, a point and an exponent letter are left.
    std::string ascii(text.begin(), text.end());
    for (char& c : ascii) {
        if (c == 'd' || c == 'D') c = 'e';
    }
    return RoundToLong(std::strtod(ascii.c_str(), nullptr));
}

}  // namespace tolvane
