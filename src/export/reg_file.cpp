#include "export/reg_file.h"

#include <algorithm>
#include <cstring>

#include "store/app_path_store.h"
#include "toolkit/narrow.h"

namespace tolvane {

namespace {

constexpr wchar_t kHeader[] = L"Windows Registry Editor Version 5.00";
constexpr wchar_t kOldHeader[] = L"REGEDIT4";
// The registry editor breaks hex data after the comma that reaches this
// column, and goes on after two spaces on the next line.
constexpr size_t kHexColumns = 77;

constexpr wchar_t kHexDigits[] = L"0123456789abcdef";

// |number| in lower-case hex, at least |width| digits.
std::wstring Hex(DWORD number, size_t width) {
    std::wstring digits;
    do {
        digits.insert(digits.begin(), kHexDigits[number & 0xF]);
        number >>= 4;
    } while (number);
    if (digits.size() < width) digits.insert(0, width - digits.size(), L'0');
    return digits;
}

// Writing.

std::wstring Escaped(std::wstring_view text) {
    std::wstring escaped;
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"') {
            escaped += L'\\';
            escaped += c;
        } else if (c == L'\r' || c == L'\n') {
            escaped += c == L'\r' ? L"\\r" : L"\\n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::wstring_view Units(const std::vector<BYTE>& data) {
    return {reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t)};
}

// Whether the quoted form gives |value| back byte for byte: text with one
// NUL, at its end. Text with a line break goes as hex too: not every reader
// of these files takes "\n" for a line break.
bool IsQuotable(const RegistryValue& value) {
    std::wstring_view units = Units(value.data);
    return value.type == REG_SZ && value.data.size() % 2 == 0 && !units.empty() &&
           units.find(L'\0') == units.size() - 1 &&
           units.find_first_of(L"\r\n") == std::wstring_view::npos;
}

void AppendHex(const RegistryValue& value, size_t column, std::wstring& out) {
    std::wstring tag = value.type == REG_BINARY ? L"hex:" : L"hex(" + Hex(value.type, 1) + L"):";
    out += tag;
    column += tag.size();
    for (size_t i = 0; i < value.data.size(); ++i) {
        out += Hex(value.data[i], 2);
        if (i + 1 == value.data.size()) break;
        out += L',';
        column += 3;
        if (column >= kHexColumns) {
            out += L"\\\r\n  ";
            column = 2;
        }
    }
}

void AppendValue(const ValueEdit& edit, std::wstring& out) {
    const RegistryValue& value = edit.value;
    std::wstring name = value.name.empty() ? L"@=" : L"\"" + Escaped(value.name) + L"\"=";
    out += name;
    if (edit.remove) {
        out += L'-';
    } else if (IsQuotable(value)) {
        std::wstring_view text = Units(value.data);
        out += L"\"" + Escaped(text.substr(0, text.size() - 1)) + L"\"";
    } else if (value.type == REG_DWORD && value.data.size() == sizeof(DWORD)) {
        DWORD number = 0;
        std::memcpy(&number, value.data.data(), sizeof(number));
        out += L"dword:" + Hex(number, 8);
    } else {
        AppendHex(value, name.size(), out);
    }
    out += L"\r\n";
}

// Reading.

enum class Section { None, AppPathsKey, Deleted, Key };

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring_view TrimLeft(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return text;
}

std::wstring_view Trim(std::wstring_view text) {
    text = TrimLeft(text);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Nothing but white space and a comment.
bool IsEmptyRest(std::wstring_view text) {
    text = TrimLeft(text);
    return text.empty() || text.front() == L';';
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() &&
           SameName(std::wstring(text.substr(0, prefix.size())), std::wstring(prefix));
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// Up to |most| hex digits at the start of |text|, taken off it; false when
// there are none.
bool TakeHex(std::wstring_view& text, size_t most, DWORD& number) {
    size_t count = 0;
    number = 0;
    while (count < most && count < text.size() && HexDigit(text[count]) >= 0) {
        number = number * 16 + HexDigit(text[count++]);
    }
    text.remove_prefix(count);
    return count > 0;
}

std::vector<BYTE> BytesOf(std::wstring_view text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(bytes, bytes + text.size() * sizeof(wchar_t));
}

bool IsTextType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The machine's App Paths key as 32-bit programs on 64-bit Windows name it.
// Windows has shared it between both views since Windows 7, and files
// exported there name it so: they are read as the machine's App Paths.
constexpr wchar_t kSharedAppPathsSubKey[] =
    L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths";

// Takes |key| off the start of |rest| when it is there, as a whole name.
bool TakeKey(std::wstring_view& rest, std::wstring_view key) {
    if (!StartsWithNoCase(rest, key)) return false;
    if (rest.size() > key.size() && rest[key.size()] != L'\\') return false;
    rest.remove_prefix(key.size());
    return true;
}

// "HKEY_LOCAL_MACHINE\SOFTWARE\...\App Paths\a.exe" gives Machine and
// "a.exe"; the App Paths key itself gives an empty path. |shared| tells
// that the name was the machine's WOW6432Node path.
bool SplitKeyName(std::wstring_view name, Scope& scope, std::wstring& path, bool& shared) {
    size_t slash = name.find(L'\\');
    if (slash == std::wstring_view::npos) return false;
    std::wstring hive(name.substr(0, slash));
    if (SameName(hive, L"HKEY_LOCAL_MACHINE") || SameName(hive, L"HKLM")) {
        scope = Scope::Machine;
    } else if (SameName(hive, L"HKEY_CURRENT_USER") || SameName(hive, L"HKCU")) {
        scope = Scope::User;
    } else {
        return false;
    }
    std::wstring_view rest = name.substr(slash + 1);
    shared = scope == Scope::Machine && TakeKey(rest, kSharedAppPathsSubKey);
    if (!shared && !TakeKey(rest, kAppPathsSubKey)) return false;
    path = rest.empty() ? L"" : std::wstring(rest.substr(1));
    return true;
}

class RegReader {
  public:
    RegReader(std::vector<std::wstring> lines, bool ansi, RegFileError& error)
        : lines_(std::move(lines)), ansi_(ansi), error_(error) {}

    bool Read(std::vector<KeyEdit>& keys, bool& shared) {
        std::wstring_view header = lines_.empty() ? L"" : Trim(lines_[0]);
        if (header != kHeader && header != kOldHeader) return Fail(L"不是注册表文件");
        for (index_ = 1; index_ < lines_.size(); ++index_) {
            if (!ReadLine()) return false;
        }
        keys = std::move(keys_);
        shared = shared_;
        return true;
    }

  private:
    bool Fail(std::wstring reason) {
        error_.line = index_ + 1;
        error_.reason = std::move(reason);
        return false;
    }

    // Every name of a key's path as the registry would take it, and no
    // deeper than Windows nests keys.
    bool CheckPath(const std::wstring& path) {
        size_t depth = 0;
        for (size_t start = 0; start <= path.size(); ++depth) {
            size_t end = std::min(path.find(L'\\', start), path.size());
            NameFault fault = KeyNameFault(std::wstring_view(path).substr(start, end - start));
            if (fault != NameFault::None) {
                return Fail(
                    NameFaultText(fault, depth ? NameRole::Subkey : NameRole::Registration));
            }
            if (depth == kMaxEntryDepth) {
                return Fail(L"键的层次太深：注册项连同子键最多 " + std::to_wstring(kMaxEntryDepth) +
                            L" 层");
            }
            start = end + 1;
        }
        return true;
    }

    bool ReadLine() {
        std::wstring_view line = TrimLeft(lines_[index_]);
        if (line.find(L'\0') != std::wstring_view::npos) return Fail(L"行里有空字符");
        if (line.empty() || line.front() == L';') return true;
        if (line.front() == L'[') return ReadKey(line);
        if (line.front() == L'@' || line.front() == L'"') return ReadValue(line);
        return Fail(L"无法识别的行");
    }

    bool ReadKey(std::wstring_view line) {
        size_t close = line.rfind(L']');
        if (close == std::wstring_view::npos || !Trim(line.substr(close + 1)).empty()) {
            return Fail(L"键名行的格式不对");
        }
        std::wstring_view name = line.substr(1, close - 1);
        bool remove = name.starts_with(L'-');
        if (remove) name.remove_prefix(1);
        KeyEdit key;
        key.remove = remove;
        bool shared = false;
        if (!SplitKeyName(name, key.scope, key.path, shared)) {
            return Fail(L"键不在 App Paths 之下");
        }
        shared_ = shared_ || shared;
        if (key.path.empty()) {
            section_ = Section::AppPathsKey;
            return !remove || Fail(L"不能删除 App Paths 键本身");
        }
        if (key.path.front() == L'\\' || key.path.back() == L'\\' ||
            key.path.find(L"\\\\") != std::wstring::npos) {
            return Fail(L"键名的格式不对");
        }
        if (!CheckPath(key.path)) return false;
        keys_.push_back(std::move(key));
        section_ = remove ? Section::Deleted : Section::Key;
        return true;
    }

    // The text of a quoted string that starts after |text|'s opening quote;
    // |text| keeps what follows the closing quote.
    bool ReadQuoted(std::wstring_view& text, std::wstring& unquoted) {
        // Room for the text at once, rather than remnants of growing
        // strings, which slow some heaps (Wine's) down as they add up.
        unquoted.reserve(std::min(text.find(L'"'), text.size()));
        for (size_t i = 0; i < text.size(); ++i) {
            wchar_t c = text[i];
            if (c == L'"') {
                text.remove_prefix(i + 1);
                return true;
            }
            if (c != L'\\') {
                unquoted += c;
                continue;
            }
            if (++i == text.size()) break;
            constexpr std::wstring_view kFrom = L"\\\"nr";
            constexpr std::wstring_view kTo = L"\\\"\n\r";
            size_t found = kFrom.find(text[i]);
            if (found == std::wstring_view::npos) return Fail(L"无效的转义序列");
            unquoted += kTo[found];
        }
        return Fail(L"字符串没有结束");
    }

    bool ReadValue(std::wstring_view line) {
        if (section_ == Section::None) return Fail(L"值的前面没有键名");
        if (section_ == Section::AppPathsKey) return Fail(L"App Paths 键本身不能有值");
        if (section_ == Section::Deleted) return Fail(L"要删除的键不能有值");
        ValueEdit edit;
        bool named = line.front() == L'"';
        line.remove_prefix(1);
        if (named && !ReadQuoted(line, edit.value.name)) return false;
        if (NameFault fault = ValueNameFault(edit.value.name); fault != NameFault::None) {
            return Fail(NameFaultText(fault, NameRole::Value));
        }
        line = TrimLeft(line);
        if (!line.starts_with(L'=')) return Fail(L"值名后面缺少“=”");
        if (!ReadData(TrimLeft(line.substr(1)), edit)) return false;
        keys_.back().values.push_back(std::move(edit));
        return true;
    }

    bool ReadData(std::wstring_view data, ValueEdit& edit) {
        RegistryValue& value = edit.value;
        if (data.starts_with(L'-')) {
            edit.remove = true;
            return IsEmptyRest(data.substr(1)) || Fail(L"删除值的行格式不对");
        }
        if (data.starts_with(L'"')) {
            data.remove_prefix(1);
            std::wstring text;
            if (!ReadQuoted(data, text)) return false;
            if (!IsEmptyRest(data)) return Fail(L"字符串后面有多余的内容");
            value.type = REG_SZ;
            value.data = BytesOf(std::wstring_view(text.c_str(), text.size() + 1));
            return true;
        }
        if (StartsWithNoCase(data, L"dword:")) return ReadDword(data.substr(6), value);
        if (StartsWithNoCase(data, L"hex:")) {
            value.type = REG_BINARY;
            return ReadHex(data.substr(4), value);
        }
        if (StartsWithNoCase(data, L"hex(")) {
            data.remove_prefix(4);
            if (!TakeHex(data, 8, value.type) || !data.starts_with(L"):")) {
                return Fail(L"无法识别的 hex(…) 值类型");
            }
            return ReadHex(data.substr(2), value);
        }
        return Fail(L"未知的值类型");
    }

    bool ReadDword(std::wstring_view data, RegistryValue& value) {
        DWORD number = 0;
        if (!TakeHex(data, 8, number) || !IsEmptyRest(data)) return Fail(L"dword 值的格式不对");
        value.type = REG_DWORD;
        value.data.resize(sizeof(number));
        std::memcpy(value.data.data(), &number, sizeof(number));
        return true;
    }

    // One line's bytes: "xx,xx,...", perhaps ending in ",\" when the data goes
    // on in the next line that is not blank or a comment.
    bool ReadHexLine(std::wstring_view data, std::vector<BYTE>& bytes, bool& goesOn) {
        goesOn = false;
        data = TrimLeft(data);
        bool afterComma = false;
        for (;;) {
            if (data.starts_with(L'\\')) {
                goesOn = true;
                return IsEmptyRest(data.substr(1)) || Fail(L"续行符后面有多余的内容");
            }
            if (IsEmptyRest(data) && !afterComma) return true;
            DWORD byte = 0;
            if (!TakeHex(data, 2, byte)) return Fail(L"十六进制数据的格式不对");
            bytes.push_back(static_cast<BYTE>(byte));
            data = TrimLeft(data);
            if (IsEmptyRest(data)) return true;
            if (!data.starts_with(L',')) return Fail(L"十六进制数据的格式不对");
            data = TrimLeft(data.substr(1));
            afterComma = true;
        }
    }

    bool NextDataLine(std::wstring_view& data) {
        while (++index_ < lines_.size()) {
            data = TrimLeft(lines_[index_]);
            if (!IsEmptyRest(data)) return true;
        }
        index_ = lines_.size() - 1;
        return Fail(L"十六进制数据在文件末尾中断");
    }

    bool ReadHex(std::wstring_view data, RegistryValue& value) {
        bool goesOn = true;
        if (!ReadHexLine(data, value.data, goesOn)) return false;
        while (goesOn) {
            if (!NextDataLine(data) || !ReadHexLine(data, value.data, goesOn)) return false;
        }
        // REGEDIT4 files hold the text of these types in the ANSI code page.
        if (ansi_ && IsTextType(value.type) && !value.data.empty()) {
            std::string text(value.data.begin(), value.data.end());
            if (text.back() != '\0') text += '\0';
            value.data = BytesOf(FromAnsi(text));
        }
        return true;
    }

    std::vector<std::wstring> lines_;
    bool ansi_;
    RegFileError& error_;
    size_t index_ = 0;
    Section section_ = Section::None;
    std::vector<KeyEdit> keys_;
    bool shared_ = false;
};

// The file's lines as text; |ansi| says that they were read in the ANSI code
// page.
bool DecodeLines(std::string_view bytes, std::vector<std::wstring>& lines, bool& ansi,
                 RegFileError& error) {
    ansi = false;
    if (bytes.starts_with("\xFF\xFE")) {
        bytes.remove_prefix(2);
        std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
        std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
        std::vector<std::wstring_view> split = LinesOf(text);
        lines.assign(split.begin(), split.end());
        if (bytes.size() % 2 == 0) return true;
        error = {lines.size(), L"UTF-16 文件的长度不完整"};
        return false;
    }
    if (bytes.starts_with("\xFE\xFF")) {
        error = {1, L"不支持 UTF-16 大端字节序的文件"};
        return false;
    }
    bool bom = bytes.starts_with("\xEF\xBB\xBF");
    if (bom) bytes.remove_prefix(3);
    std::vector<std::string_view> raw = LinesOf(bytes);
    ansi = !bom && Trim(FromAnsi(raw[0])) == kOldHeader;
    if (ansi) {
        lines.clear();
        for (std::string_view line : raw) lines.push_back(FromAnsi(line));
        return true;
    }
    size_t badLine = 0;
    if (FromUtf8Lines(bytes, lines, badLine)) return true;
    error = {badLine, L"不是有效的 UTF-8 文本"};
    return false;
}

}  // namespace

std::wstring RegKeyName(Scope scope, std::wstring_view path) {
    std::wstring name = scope == Scope::User ? L"HKEY_CURRENT_USER\\" : L"HKEY_LOCAL_MACHINE\\";
    name += kAppPathsSubKey;
    name += L'\\';
    name += path;
    return name;
}

std::wstring RegFileText(const std::vector<KeyEdit>& keys) {
    std::wstring text = kHeader;
    text += L"\r\n\r\n";
    for (const KeyEdit& key : keys) {
        text += key.remove ? L"[-" : L"[";
        text += RegKeyName(key.scope, key.path) + L"]\r\n";
        for (const ValueEdit& value : key.values) AppendValue(value, text);
        text += L"\r\n";
    }
    return text;
}

std::string RegFileBytes(const std::vector<KeyEdit>& keys) {
    std::wstring text = RegFileText(keys);
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    return bytes;
}

bool ReadRegFile(std::string_view bytes, std::vector<KeyEdit>& keys, RegFileError& error,
                 bool* sharedKey) {
    keys.clear();
    std::vector<std::wstring> lines;
    bool ansi = false;
    bool shared = false;
    if (!DecodeLines(bytes, lines, ansi, error)) return false;
    if (!RegReader(std::move(lines), ansi, error).Read(keys, shared)) return false;
    if (sharedKey) *sharedKey = shared;
    return true;
}

}  // namespace tolvane
