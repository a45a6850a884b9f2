#include "export/export_writer.h"

#include <cwchar>

#include "about/credits.h"
#include "toolkit/narrow.h"

namespace tolvane {

namespace {

constexpr wchar_t kHtmlHead[] =
    L"<HTML><HEAD><TITLE>Tolvane 导出文件</TITLE></HEAD><style "
    L"type='text/css'>body{background-color:#ABC;padding:10px;}table{border:1px solid "
    L"#123;font-size:12px;}.head{color:#123;font-size:24px;}.head2{color:#123;font-size:12px;}a:"
    L"link{text-decoration:none;color:#123;}a:hover{text-decoration:underline;color:#06F;}a:"
    L"visited{text-decoration:none;color:#123;}a:active{text-decoration:none;color:#123;}</"
    L"style><BODY><div class='head'>Tolvane 导出文件</div><div class='head2'>";
constexpr wchar_t kHtmlTableHead[] =
    L"</a><br/></div><table width='100%' border='0'><tr><td width='30%'>项目名称</td><td "
    L"width='70%'>程序路径</td>";
constexpr wchar_t kHtmlEnd[] = L"</table></BODY></HTML>";

constexpr wchar_t kXmlDeclaration[] = L"<?xml version='1.0' encoding='gb2312'?>";
constexpr wchar_t kXmlItemStart[] = L"    <App>\r\n        <Name>";
constexpr wchar_t kXmlUserItemStart[] = L"    <App scope=\"user\">\r\n        <Name>";
constexpr wchar_t kXmlItemMiddle[] = L"</Name>\r\n        <Path>";
constexpr wchar_t kXmlItemEnd[] = L"</Path>\r\n    </App>";
constexpr wchar_t kXmlEnd[] = L"</Tolvane>";

constexpr char32_t kReplacement = 0xFFFD;

std::wstring GeneratedBy(const SYSTEMTIME& time) {
    return L"本文件由 Tolvane 于 " + ExportStamp(time) + L" 生成";
}

// The cells of GB 2312 (as "gb2312" readers decode it, EUC-CN) in rows that
// are not full: lead byte and the first and last trail byte of each run.
struct CellRun {
    unsigned char lead, first, last;
};
constexpr CellRun kPartialRows[] = {
    {0xA2, 0xB1, 0xE2}, {0xA2, 0xE5, 0xEE}, {0xA2, 0xF1, 0xFC}, {0xA4, 0xA1, 0xF3},
    {0xA5, 0xA1, 0xF6}, {0xA6, 0xA1, 0xB8}, {0xA6, 0xC1, 0xD8}, {0xA7, 0xA1, 0xC1},
    {0xA7, 0xD1, 0xF1}, {0xA8, 0xA1, 0xBA}, {0xA8, 0xC5, 0xE9}, {0xA9, 0xA4, 0xEF},
    {0xD7, 0xA1, 0xF9},
};

bool InGb2312Cell(unsigned char lead, unsigned char trail) {
    if (lead < 0xA1 || lead > 0xF7 || trail < 0xA1 || trail > 0xFE) return false;
    if (lead >= 0xAA && lead <= 0xAF) return false;  // rows that GB 2312 leaves empty
    bool partial = false;
    for (const CellRun& run : kPartialRows) {
        if (run.lead != lead) continue;
        partial = true;
        if (trail >= run.first && trail <= run.last) return true;
    }
    return !partial;
}

// Whether the ANSI code page holds |character| (one UTF-16 unit or a
// surrogate pair) and gives it back unchanged; a best-fit substitute or the
// default character would change the text.
bool AnsiHolds(std::wstring_view character) {
    return FromAnsi(ToAnsi(character)) == character;
}

// Whether a file declared "gb2312" can carry |c| as itself. Code page 936
// is a superset of GB 2312, and two of the cells they share decode to other
// characters in GB 2312 (U+30FB and U+2015).
bool Gb2312Holds(wchar_t c) {
    if (c == 0x00B7 || c == 0x2014) return false;
    std::wstring_view character(&c, 1);
    if (!AnsiHolds(character)) return false;
    std::string bytes = ToAnsi(character);
    return bytes.size() == 2 &&
           InGb2312Cell(static_cast<unsigned char>(bytes[0]), static_cast<unsigned char>(bytes[1]));
}

// Characters that XML 1.0 does not allow anywhere in a document.
bool XmlForbids(wchar_t c) {
    return (c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') || c == 0xFFFE || c == 0xFFFF;
}

std::wstring CharacterReference(char32_t codePoint) {
    return L"&#" + std::to_wstring(static_cast<unsigned long>(codePoint)) + L";";
}

bool AppendEntity(wchar_t c, std::wstring& out) {
    switch (c) {
        case L'&':
            out += L"&amp;";
            return true;
        case L'<':
            out += L"&lt;";
            return true;
        case L'>':
            out += L"&gt;";
            return true;
        default:
            return false;
    }
}

// Appends the character that starts at |text[at]|, as itself when |holds|
// says the file can carry it and as a reference otherwise; returns how many
// units it took.
size_t AppendMarkupCharacter(std::wstring_view text, size_t at, bool (*holds)(wchar_t),
                             std::wstring& out) {
    wchar_t c = text[at];
    if (AppendEntity(c, out)) return 1;
    if (c < 0x80) {
        out += c;
        return 1;
    }
    if (IsHighSurrogate(c) && at + 1 < text.size() && IsLowSurrogate(text[at + 1])) {
        std::wstring_view pair = text.substr(at, 2);
        if (holds == nullptr && AnsiHolds(pair)) {
            out += pair;
        } else {
            out += CharacterReference(CodePointOf(c, text[at + 1]));
        }
        return 2;
    }
    if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
        // A broken pair names no character; a reference to it would make
        // the XML ill-formed.
        out += CharacterReference(kReplacement);
        return 1;
    }
    bool kept = holds ? holds(c) : AnsiHolds(text.substr(at, 1));
    out += kept ? std::wstring(1, c) : CharacterReference(c);
    return 1;
}

}  // namespace

std::wstring ExportStamp(const SYSTEMTIME& time) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u", time.wYear, time.wMonth, time.wDay,
                  time.wHour, time.wMinute);
    return text;
}

std::wstring HtmlText(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        at += AppendMarkupCharacter(text, at, nullptr, out);
    }
    return out;
}

std::wstring XmlText(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        if (XmlForbids(text[at])) {
            out += CharacterReference(kReplacement);
            ++at;
        } else {
            at += AppendMarkupCharacter(text, at, Gb2312Holds, out);
        }
    }
    return out;
}

std::vector<std::wstring> HtmlPieces(const std::vector<AppPathEntry>& rows,
                                     const SYSTEMTIME& time) {
    std::vector<std::wstring> pieces;
    pieces.reserve(rows.size() + 4);
    pieces.push_back(kHtmlHead);
    pieces.push_back(GeneratedBy(time));
    pieces.push_back(std::wstring(L"<br/>") + kAuthorCredit + L"<br/>BLOG: <a href='http://" +
                     kBlogHost + L"'>" + kBlogHost + L"</a><br/>Mail: <a href='mailto:" +
                     kMailAddress + L"'>" + kMailAddress + kHtmlTableHead);
    for (const AppPathEntry& row : rows) {
        // The current user's registrations are marked; the machine's are
        // written as they always were.
        const wchar_t* start = row.scope == Scope::User ? L"<tr class='user'><td>" : L"<tr><td>";
        pieces.push_back(start + HtmlText(row.name) + L"</td><td>" + HtmlText(ExportedPath(row)) +
                         L"</td></tr>");
    }
    pieces.push_back(kHtmlEnd);
    return pieces;
}

std::vector<std::wstring> XmlPieces(const std::vector<AppPathEntry>& rows, const SYSTEMTIME& time) {
    std::vector<std::wstring> pieces;
    pieces.reserve(rows.size() + 5);
    pieces.push_back(kXmlDeclaration);
    pieces.push_back(L"<!-- " + GeneratedBy(time) + L" -->");
    pieces.push_back(std::wstring(L"<!-- ") + kAuthorCredit + L" -->\r\n<!-- BLOG: " + kBlogHost +
                     L" -->\r\n<!-- Mail: " + kXmlMailAddress + L" -->\r\n<Tolvane>");
    for (const AppPathEntry& row : rows) {
        const wchar_t* start = row.scope == Scope::User ? kXmlUserItemStart : kXmlItemStart;
        pieces.push_back(start + XmlText(row.name) + kXmlItemMiddle + XmlText(ExportedPath(row)) +
                         kXmlItemEnd);
    }
    pieces.push_back(kXmlEnd);
    return pieces;
}

}  // namespace tolvane
