// The export texts and the text file that carries them, without the dialog.
#include <gtest/gtest.h>

#include "export/export_writer.h"
#include "export/text_file.h"
#include "toolkit/handles.h"
#include "toolkit/narrow.h"
#include "export_files.h"
#include "support/files.h"
#include "xml_reader.h"

namespace tolvane::testing {
namespace {

SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = 59;
    return time;
}

AppPathEntry Row(const std::wstring& name, const std::wstring& path) {
    return TextEntry(name, path);
}

const std::vector<AppPathEntry> kWorkedRows = {
    Row(L"notepad.exe", L"C:\\WINDOWS\\system32\\notepad.exe"),
    Row(L"mspaint.exe", L"C:\\WINDOWS\\system32\\mspaint.exe"),
};

std::string WrittenBytes(const std::vector<std::wstring>& pieces) {
    TempFolder folder;
    std::wstring path = folder.File(L"pieces.txt");
    EXPECT_EQ(WriteTextFile(path, pieces), ERROR_SUCCESS);
    return ReadBytes(path);
}

TEST(ExportStamp, IsYearMonthDayHourMinuteOnA24HourClock) {
    EXPECT_EQ(ExportStamp(WorkedExampleTime()), L"2024-05-06 07:08");
    EXPECT_EQ(ExportStamp(At(1999, 12, 31, 23, 59)), L"1999-12-31 23:59");
    EXPECT_EQ(ExportStamp(At(2030, 1, 2, 0, 0)), L"2030-01-02 00:00");
    EXPECT_EQ(ExportStamp(At(2024, 10, 20, 13, 5)), L"2024-10-20 13:05");
}

TEST(HtmlText, EscapesAmpersandAndAngleBracketsOnly) {
    EXPECT_EQ(HtmlText(L"C:\\Program Files\\A&B\\x.exe"), L"C:\\Program Files\\A&amp;B\\x.exe");
    EXPECT_EQ(HtmlText(L"<b>bold</b>"), L"&lt;b&gt;bold&lt;/b&gt;");
    EXPECT_EQ(HtmlText(L"&amp;"), L"&amp;amp;");
    EXPECT_EQ(HtmlText(L"it's \"quoted\" ;#%"), L"it's \"quoted\" ;#%");
    EXPECT_EQ(HtmlText(L"D:\\工具\\记事本.exe"), L"D:\\工具\\记事本.exe");
    EXPECT_EQ(HtmlText(L""), L"");
}

TEST(HtmlText, WritesCharactersOutsideTheCodePageAsReferences) {
    EXPECT_EQ(HtmlText(L"\uD55C.exe"), L"&#54620;.exe");   // a Hangul syllable
    EXPECT_EQ(HtmlText(L"a\U0001F600b"), L"a&#128512;b");  // beyond the BMP
    EXPECT_EQ(HtmlText(std::wstring(L"x") + wchar_t(0xD800) + L"y"), L"x&#65533;y");
    EXPECT_EQ(HtmlText(std::wstring(1, wchar_t(0xDC00))), L"&#65533;");
    EXPECT_EQ(HtmlText(L"喆"), L"喆");  // code page 936 has it
}

// GB 2312 is smaller than code page 936: what it lacks, what it reads as
// another character, and what XML forbids all become references.
TEST(XmlText, KeepsOnlyWhatGb2312CarriesAsItself) {
    EXPECT_EQ(XmlText(L"A&B<记事本>"), L"A&amp;B&lt;记事本&gt;");
    EXPECT_EQ(XmlText(L"喆"), L"&#21894;");
    EXPECT_EQ(XmlText(L"\u00B7\u2014\u3001"), L"&#183;&#8212;\u3001");
    EXPECT_EQ(XmlText(L"\u20AC"), L"&#8364;");  // a single byte in code page 936
    EXPECT_EQ(XmlText(L"\uD55C\U0001F600"), L"&#54620;&#128512;");
    EXPECT_EQ(XmlText(std::wstring(L"a\tb\r\n") + wchar_t(1) + wchar_t(0x1F) + wchar_t(0xFFFF)),
              L"a\tb\r\n&#65533;&#65533;&#65533;");
}

TEST(ExportPieces, WorkedExamplesByteForByte) {
    EXPECT_EQ(WrittenBytes(HtmlPieces(kWorkedRows, WorkedExampleTime())), WorkedHtmlBytes());
    EXPECT_EQ(WrittenBytes(XmlPieces(kWorkedRows, WorkedExampleTime())), WorkedXmlBytes());
}

TEST(ExportPieces, LineCountsAreFourPlusNAndSevenPlusFourN) {
    for (size_t n : {0u, 1u, 5u}) {
        std::vector<AppPathEntry> rows(n, Row(L"a.exe", L"C:\\a.exe"));
        EXPECT_EQ(SplitLines(WrittenBytes(HtmlPieces(rows, WorkedExampleTime()))).size(), 4 + n);
        EXPECT_EQ(SplitLines(WrittenBytes(XmlPieces(rows, WorkedExampleTime()))).size(), 7 + 4 * n);
    }
}

// Names and paths written as they come would make the document ill-formed;
// the parsers that judge the exports must see that.
TEST(ExportPieces, UnescapedMarkupWouldBreakTheXml) {
    TempFolder folder;
    std::vector<AppPathEntry> rows = {Row(L"ab.exe", L"C:\\Program Files\\A&B\\x.exe")};
    std::wstring escaped = folder.File(L"escaped.xml");
    std::wstring bare = folder.File(L"bare.xml");
    WriteBytes(escaped, WrittenBytes(XmlPieces(rows, WorkedExampleTime())));
    std::string bytes = ReadBytes(escaped);
    size_t entity = bytes.find("&amp;");
    ASSERT_NE(entity, std::string::npos);
    bytes = bytes.substr(0, entity) + "&" + bytes.substr(entity + 5);
    WriteBytes(bare, bytes);

    ParsedExport good = ParseExportXml(escaped);
    ASSERT_TRUE(good.loaded) << ToAnsi(good.error);
    EXPECT_EQ(good.apps, (std::vector<ParsedApp>{{rows[0].name, rows[0].raw}}));
    EXPECT_FALSE(ParseExportXml(bare).loaded);
}

TEST(TextFile, WritesCodePage936WithCrLfAfterEveryLineAndNoByteOrderMark) {
    TempFolder folder;
    std::wstring path = folder.File(L"lines.txt");
    WriteBytes(path, std::string(5000, 'x'));  // replaced whole
    EXPECT_EQ(WriteTextFile(path, {L"导出", L"", L"end"}), ERROR_SUCCESS);
    EXPECT_EQ(ReadBytes(path), "\xB5\xBC\xB3\xF6\r\n\r\nend\r\n");
}

// Nothing reaches the target until the whole file is written: a file left
// unfinished is removed, and the target keeps what it had.
TEST(TextFile, ReplacesTheTargetOnlyWhenCommitted) {
    TempFolder folder;
    std::wstring path = folder.File(L"target.htm");
    WriteBytes(path, "keep");
    {
        TextFile file(path);
        ASSERT_EQ(file.Open(), ERROR_SUCCESS);
        EXPECT_EQ(file.WriteLine(L"half"), ERROR_SUCCESS);
        EXPECT_EQ(ReadBytes(path), "keep");
        EXPECT_EQ(FileNamesIn(folder.path()).size(), 2u);
    }
    EXPECT_EQ(ReadBytes(path), "keep");
    EXPECT_EQ(FileNamesIn(folder.path()).size(), 1u);
}

TEST(TextFile, PathsThatCannotBeWrittenGiveACodeAndLeaveNothing) {
    TempFolder folder;
    for (const std::wstring& path :
         {folder.path(), folder.File(L"missing\\x.htm"), std::wstring(L"")}) {
        EXPECT_NE(WriteTextFile(path, {L"line"}), static_cast<DWORD>(ERROR_SUCCESS))
            << ToAnsi(path);
    }
    EXPECT_TRUE(FileNamesIn(folder.path()).empty());
}

}  // namespace
}  // namespace tolvane::testing
