// The export texts and the text file that carries them, without the dialog.
#include <gtest/gtest.h>

#include "common_dialog/raised_error.h"
#include "export/export_writer.h"
#include "export/text_file.h"
#include "toolkit/handles.h"
#include "toolkit/narrow.h"
#include "export_files.h"
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

const std::vector<AppPathEntry> kWorkedRows = {
    {L"notepad.exe", L"C:\\WINDOWS\\system32\\notepad.exe"},
    {L"mspaint.exe", L"C:\\WINDOWS\\system32\\mspaint.exe"},
};

std::string WrittenBytes(const std::vector<std::wstring>& pieces) {
    TempFolder folder;
    std::wstring path = folder.File(L"pieces.txt");
    TextFile file(path);
    for (const std::wstring& piece : pieces) file.WriteLine(piece);
    file.Close();
    return ReadBytes(path);
}

TEST(ExportStamp, IsYearMonthDayHourMinuteOnA24HourClock) {
    EXPECT_EQ(ExportStamp(WorkedExampleTime()), L"2024-05-06 07:08");
    EXPECT_EQ(ExportStamp(At(1999, 12, 31, 23, 59)), L"1999-12-31 23:59");
    EXPECT_EQ(ExportStamp(At(2030, 1, 2, 0, 0)), L"2030-01-02 00:00");
    EXPECT_EQ(ExportStamp(At(2024, 10, 20, 13, 5)), L"2024-10-20 13:05");
}

TEST(MarkupText, EscapesAmpersandAndAngleBracketsOnly) {
    EXPECT_EQ(MarkupText(L"C:\\Program Files\\A&B\\x.exe"), L"C:\\Program Files\\A&amp;B\\x.exe");
    EXPECT_EQ(MarkupText(L"<b>bold</b>"), L"&lt;b&gt;bold&lt;/b&gt;");
    EXPECT_EQ(MarkupText(L"&amp;"), L"&amp;amp;");
    EXPECT_EQ(MarkupText(L"it's \"quoted\" ;#%"), L"it's \"quoted\" ;#%");
    EXPECT_EQ(MarkupText(L"D:\\工具\\记事本.exe"), L"D:\\工具\\记事本.exe");
    EXPECT_EQ(MarkupText(L""), L"");
}

TEST(MarkupText, WritesCharactersOutsideTheCodePageAsReferences) {
    EXPECT_EQ(MarkupText(L"\uD55C.exe"), L"&#54620;.exe");   // a Hangul syllable
    EXPECT_EQ(MarkupText(L"a\U0001F600b"), L"a&#128512;b");  // beyond the BMP
    EXPECT_EQ(MarkupText(std::wstring(L"x") + wchar_t(0xD800) + L"y"), L"x&#65533;y");
    EXPECT_EQ(MarkupText(std::wstring(1, wchar_t(0xDC00))), L"&#65533;");
}

TEST(ExportPieces, WorkedExamplesByteForByte) {
    EXPECT_EQ(WrittenBytes(HtmlPieces(kWorkedRows, WorkedExampleTime())), WorkedHtmlBytes());
    EXPECT_EQ(WrittenBytes(XmlPieces(kWorkedRows, WorkedExampleTime())), WorkedXmlBytes());
}

TEST(ExportPieces, LineCountsAreFourPlusNAndSevenPlusFourN) {
    for (size_t n : {0u, 1u, 5u}) {
        std::vector<AppPathEntry> rows(n, AppPathEntry{L"a.exe", L"C:\\a.exe"});
        EXPECT_EQ(SplitLines(WrittenBytes(HtmlPieces(rows, WorkedExampleTime()))).size(), 4 + n);
        EXPECT_EQ(SplitLines(WrittenBytes(XmlPieces(rows, WorkedExampleTime()))).size(), 7 + 4 * n);
    }
}

// Names and paths written as they come would make the document ill-formed;
// the parsers that judge the exports must see that.
TEST(ExportPieces, UnescapedMarkupWouldBreakTheXml) {
    TempFolder folder;
    std::vector<AppPathEntry> rows = {{L"ab.exe", L"C:\\Program Files\\A&B\\x.exe"}};
    std::wstring escaped = folder.File(L"escaped.xml");
    std::wstring bare = folder.File(L"bare.xml");
    WriteBytes(escaped, WrittenBytes(XmlPieces(rows, WorkedExampleTime())));
    std::string bytes = ReadBytes(escaped);
    bytes.replace(bytes.find("&amp;"), 5, "&");
    WriteBytes(bare, bytes);

    ParsedExport good = ParseExportXml(escaped);
    ASSERT_TRUE(good.loaded) << ToAnsi(good.error);
    EXPECT_EQ(good.apps, (std::vector<ParsedApp>{{rows[0].name, rows[0].path}}));
    EXPECT_FALSE(ParseExportXml(bare).loaded);
}

TEST(TextFile, WritesCodePage936WithCrLfAfterEveryLineAndNoByteOrderMark) {
    TempFolder folder;
    std::wstring path = folder.File(L"lines.txt");
    TextFile file(path);
    file.WriteLine(L"导出");
    file.WriteLine(L"");
    file.WriteLine(L"end");
    file.Close();
    EXPECT_EQ(ReadBytes(path), "\xB5\xBC\xB3\xF6\r\n\r\nend\r\n");
}

TEST(TextFile, TruncatesAnExistingFile) {
    TempFolder folder;
    std::wstring path = folder.File(L"old.txt");
    WriteBytes(path, std::string(5000, 'x'));
    {
        TextFile file(path);
        file.WriteLine(L"new");
    }
    EXPECT_EQ(ReadBytes(path), "new\r\n");
}

TEST(TextFile, RaisesWhenThePathCannotBeOpened) {
    TempFolder folder;
    std::wstring busy = folder.File(L"busy.htm");
    WriteBytes(busy, "keep");
    // Held open with no sharing, as another program might hold it.
    UniqueFile holder(CreateFileW(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    std::wstring missing = folder.File(L"missing\\x.htm");

    EXPECT_THROW(TextFile{folder.path()}, RaisedError);
    EXPECT_THROW(TextFile{missing}, RaisedError);
    EXPECT_THROW(TextFile{busy}, RaisedError);
    EXPECT_THROW(TextFile{L""}, RaisedError);

    holder.reset();
    EXPECT_EQ(ReadBytes(busy), "keep");
    EXPECT_FALSE(FileExists(folder.File(L"missing")));
}

TEST(TextFile, RaisesOnAReadOnlyFile) {
    TempFolder folder;
    std::wstring readOnly = folder.File(L"read-only.htm");
    WriteBytes(readOnly, "keep");
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    if (!IsReadOnlyEnforced(readOnly)) GTEST_SKIP() << kReadOnlyNotEnforced;

    EXPECT_THROW(TextFile{readOnly}, RaisedError);
    EXPECT_EQ(ReadBytes(readOnly), "keep");
}

}  // namespace
}  // namespace tolvane::testing
