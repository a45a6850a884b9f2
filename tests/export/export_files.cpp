#include "export_files.h"

#include "about/credits.h"
#include "toolkit/handles.h"

namespace tolvane::testing {

namespace {

// The credits are fixed ASCII texts; spelled out byte by byte.
std::string Ascii(const wchar_t* text) {
    std::string bytes;
    for (; *text; ++text) bytes += static_cast<char>(*text < 0x80 ? *text : '?');
    return bytes;
}

const char kCrLf[] = "\r\n";

}  // namespace

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find(kCrLf, start);
        if (end == std::string::npos) {
            lines.push_back("<no CR LF>");
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

bool IsReadOnlyEnforced(const std::wstring& readOnlyFile) {
    UniqueFile file(CreateFileW(readOnlyFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return !file;
}

SYSTEMTIME WorkedExampleTime() {
    SYSTEMTIME time{};
    time.wYear = 2024;
    time.wMonth = 5;
    time.wDayOfWeek = 1;
    time.wDay = 6;
    time.wHour = 7;
    time.wMinute = 8;
    time.wSecond = 9;
    time.wMilliseconds = 10;
    return time;
}

std::string GeneratedByBytes() {
    return "\xB1\xBE\xCE\xC4\xBC\xFE\xD3\xC9 Tolvane \xD3\xDA 2024-05-06 07:08 "
           "\xC9\xFA\xB3\xC9\r\n";
}

std::string HtmlHeadBytes() {
    std::string head =
        "<HTML><HEAD><TITLE>Tolvane \xB5\xBC\xB3\xF6\xCE\xC4\xBC\xFE</TITLE></HEAD><style "
        "type='text/css'>body{background-color:#ABC;padding:10px;}table{border:1px solid "
        "#123;font-size:12px;}.head{color:#123;font-size:24px;}.head2{color:#123;font-size:12px;"
        "}a:link{text-decoration:none;color:#123;}a:hover{text-decoration:underline;color:#06F;}"
        "a:visited{text-decoration:none;color:#123;}a:active{text-decoration:none;color:#123;}</"
        "style><BODY><div class='head'>Tolvane \xB5\xBC\xB3\xF6\xCE\xC4\xBC\xFE</div><div "
        "class='head2'>\r\n";
    std::string host = Ascii(tolvane::kBlogHost);
    std::string mail = Ascii(tolvane::kMailAddress);
    std::string credits = "<br/>" + Ascii(tolvane::kAuthorCredit) + "<br/>BLOG: <a href='http://" +
                          host + "'>" + host + "</a><br/>Mail: <a href='mailto:" + mail + "'>" +
                          mail +
                          "</a><br/></div><table width='100%' border='0'><tr><td "
                          "width='30%'>\xCF\xEE\xC4\xBF\xC3\xFB\xB3\xC6</td><td "
                          "width='70%'>\xB3\xCC\xD0\xF2\xC2\xB7\xBE\xB6</td>\r\n";
    return head + GeneratedByBytes() + credits;
}

std::string HtmlEndBytes() {
    return "</table></BODY></HTML>\r\n";
}

std::string XmlHeadBytes() {
    return "<?xml version='1.0' encoding='gb2312'?>\r\n"
           "<!-- \xB1\xBE\xCE\xC4\xBC\xFE\xD3\xC9 Tolvane \xD3\xDA 2024-05-06 07:08 "
           "\xC9\xFA\xB3\xC9 -->\r\n"
           "<!-- " +
           Ascii(tolvane::kAuthorCredit) + " -->\r\n<!-- BLOG: " + Ascii(tolvane::kBlogHost) +
           " -->\r\n<!-- Mail: " + Ascii(tolvane::kXmlMailAddress) + " -->\r\n<Tolvane>\r\n";
}

std::string XmlEndBytes() {
    return "</Tolvane>\r\n";
}

std::string WorkedHtmlBytes() {
    return HtmlHeadBytes() +
           "<tr><td>notepad.exe</td><td>C:\\WINDOWS\\system32\\notepad.exe</td></tr>\r\n"
           "<tr><td>mspaint.exe</td><td>C:\\WINDOWS\\system32\\mspaint.exe</td></tr>\r\n" +
           HtmlEndBytes();
}

std::string WorkedXmlBytes() {
    return XmlHeadBytes() +
           "    <App>\r\n"
           "        <Name>notepad.exe</Name>\r\n"
           "        <Path>C:\\WINDOWS\\system32\\notepad.exe</Path>\r\n"
           "    </App>\r\n"
           "    <App>\r\n"
           "        <Name>mspaint.exe</Name>\r\n"
           "        <Path>C:\\WINDOWS\\system32\\mspaint.exe</Path>\r\n"
           "    </App>\r\n" +
           XmlEndBytes();
}

}  // namespace tolvane::testing
