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
constexpr wchar_t kXmlItemMiddle[] = L"</Name>\r\n        <Path>";
constexpr wchar_t kXmlItemEnd[] = L"</Path>\r\n    </App>";
constexpr wchar_t kXmlEnd[] = L"</Tolvane>";

constexpr char32_t kReplacement = 0xFFFD;

std::wstring GeneratedBy(const SYSTEMTIME& time) {
    return L"本文件由 Tolvane 于 " + ExportStamp(time) + L" 生成";
}

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Whether the ANSI code page holds |character| (one UTF-16 unit or a
// surrogate pair) and gives it back unchanged; a best-fit substitute or the
// default character would change the text.
bool AnsiHolds(std::wstring_view character) {
    return FromAnsi(ToAnsi(character)) == character;
}

std::wstring CharacterReference(char32_t codePoint) {
    return L"&#" + std::to_wstring(static_cast<unsigned long>(codePoint)) + L";";
}

// Appends the character that starts at |text[at]|; returns how many units
// it took.
size_t AppendMarkupCharacter(std::wstring_view text, size_t at, std::wstring& out) {
    wchar_t c = text[at];
    switch (c) {
        case L'&':
            out += L"&amp;";
            return 1;
        case L'<':
            out += L"&lt;";
            return 1;
        case L'>':
            out += L"&gt;";
            return 1;
        default:
            break;
    }
    if (c < 0x80) {
        out += c;
        return 1;
    }
    if (IsHighSurrogate(c) && at + 1 < text.size() && IsLowSurrogate(text[at + 1])) {
        std::wstring_view pair = text.substr(at, 2);
        if (AnsiHolds(pair)) {
            out += pair;
        } else {
            char32_t codePoint = 0x10000 + ((c - 0xD800) << 10) + (text[at + 1] - 0xDC00);
            out += CharacterReference(codePoint);
        }
        return 2;
    }
    if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
        // A broken pair names no character; a reference to it would make
        // the XML ill-formed.
        out += CharacterReference(kReplacement);
        return 1;
    }
    if (AnsiHolds(text.substr(at, 1))) {
        out += c;
    } else {
        out += CharacterReference(c);
    }
    return 1;
}

}  // namespace

std::wstring ExportStamp(const SYSTEMTIME& time) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u", time.wYear, time.wMonth, time.wDay,
                  time.wHour, time.wMinute);
    return text;
}

std::wstring MarkupText(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) at += AppendMarkupCharacter(text, at, out);
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
        pieces.push_back(L"<tr><td>" + MarkupText(row.name) + L"</td><td>" + MarkupText(row.path) +
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
        pieces.push_back(kXmlItemStart + MarkupText(row.name) + kXmlItemMiddle +
                         MarkupText(row.path) + kXmlItemEnd);
    }
    pieces.push_back(kXmlEnd);
    return pieces;
}

}  // namespace tolvane
