// The registrations' list without a window, on the prefix's real registry:
// the listing, the filter, the sort and the selection.
#include <gtest/gtest.h>

#include <windows.h>

#include "model/registration_list.h"
#include "support/registry.h"
#include "toolkit/narrow.h"

using namespace tolvane;
using namespace tolvane::testing;

namespace {

class ListTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearAppPaths(); }
    void TearDown() override { ClearAppPaths(); }

    // A whole listing, read as the window reads it, each row checked.
    void List() {
        stores_.machine.OpenAppPaths();
        stores_.user.OpenAppPaths();
        list.BeginListing();
        std::vector<std::wstring> wanted;
        while (list.ReadSlice(std::chrono::milliseconds(1), wanted)) {
        }
        list.EndListing();
        SearchPlaces places = ReadSearchPlaces();
        for (size_t row = 0; row < list.rows().size(); ++row) {
            list.SetReport(row, CheckEntry(list.rows()[row].entry, places));
        }
    }

    // The names of the rows shown, in order.
    std::vector<std::wstring> Shown() const {
        std::vector<std::wstring> names;
        for (size_t i = 0; i < list.view().size(); ++i) names.push_back(list.EntryShown(i).name);
        return names;
    }

    std::vector<std::wstring> Selected() const {
        std::vector<std::wstring> names;
        for (const AppPathEntry* entry : list.SelectedEntries()) names.push_back(entry->name);
        return names;
    }

    AppPathStores stores_;
    RegistrationList list{stores_};
};

}  // namespace

// Both hives in one list, the machine's first, each in the registry's
// order; a name that both register, compared as the shell compares it, is
// noted in both rows. A listing begun in the middle of another lists each
// registration once.
TEST_F(ListTest, ListsBothHivesOnceEachWithTheirCells) {
    PutEntry(L"b-tool.exe", L"C:\\machine\\tool.exe");
    PutEntry(L"a-only.exe", L"C:\\a.exe");
    PutEntry(L"B-TOOL", L"C:\\user\\tool.exe", Scope::User);
    PutEntry(L"c-mine.exe", L"C:\\c.exe", Scope::User);
    stores_.machine.OpenAppPaths();
    list.BeginListing();
    std::vector<std::wstring> wanted;
    list.ReadSlice(std::chrono::milliseconds(0), wanted);
    List();
    std::vector<std::vector<std::wstring>> cells;
    for (size_t row : list.view()) {
        cells.push_back({});
        for (int column : {kNameColumn, kPathColumn, kScopeColumn, kNotesColumn}) {
            cells.back().push_back(list.CellText(row, column));
        }
    }
    const std::vector<std::vector<std::wstring>> expected = {
        {L"a-only.exe", L"C:\\a.exe", L"所有用户", L"目标不存在"},
        {L"b-tool.exe", L"C:\\machine\\tool.exe", L"所有用户",
         L"目标不存在；两处都有登记；被当前用户的登记覆盖"},
        {L"B-TOOL", L"C:\\user\\tool.exe", L"当前用户", L"目标不存在；两处都有登记"},
        {L"c-mine.exe", L"C:\\c.exe", L"当前用户", L"目标不存在"},
    };
    EXPECT_EQ(cells, expected);
    EXPECT_EQ(list.StatusText(), L"共 4 项，显示 4 项，其中 4 项目标不存在");
}

// Rows whose name or path holds the text, whatever the letter case or the
// width of the letters; the counts of the status follow.
TEST_F(ListTest, TheFilterShowsRowsWhoseNameOrPathHoldsTheText) {
    PutEntry(L"Notepad.exe", L"C:\\Windows\\notepad.exe");
    PutEntry(L"\uFF57\uFF4F\uFF52\uFF44.exe", L"C:\\Office\\w.exe");  // full-width "word"
    PutEntry(L"记事本.exe", L"D:\\工具\\记事本.exe");
    PutEntry(L"calc.exe", L"C:\\Windows\\System32\\calc.exe");
    List();
    struct Case {
        const wchar_t* typed;
        std::vector<std::wstring> shown;
    };
    const Case cases[] = {
        {L"NOTEPAD", {L"Notepad.exe"}},
        {L"Word", {L"\uFF57\uFF4F\uFF52\uFF44.exe"}},
        {L"工具", {L"记事本.exe"}},
        {L"windows", {L"calc.exe", L"Notepad.exe"}},
        {L"zzz", {}},
    };
    for (const Case& c : cases) {
        list.SetFilter(c.typed);
        EXPECT_EQ(Shown(), c.shown) << ToAnsi(c.typed);
    }
    EXPECT_EQ(list.StatusText(), L"共 4 项，显示 0 项");
    list.SetFilter(L"");
    EXPECT_EQ(Shown(), EntryNames());
}

// By any column as the locale orders text (pinyin for Chinese), then the
// other way, then the registry's order again; the order holds across a new
// listing.
TEST_F(ListTest, ColumnsSortInPinyinOrderAndBack) {
    for (const wchar_t* name : {L"张三.exe", L"阿里.exe", L"北京.exe", L"Zeta.exe", L"alpha.exe"}) {
        PutEntry(name, L"C:\\x.exe");
    }
    List();
    const std::vector<std::wstring> registry = Shown();
    const std::vector<std::wstring> ascending = {L"alpha.exe", L"Zeta.exe", L"阿里.exe",
                                                 L"北京.exe", L"张三.exe"};
    list.ClickColumn(kNameColumn);
    EXPECT_EQ(Shown(), ascending);
    List();
    EXPECT_EQ(Shown(), ascending);
    list.ClickColumn(kNameColumn);
    EXPECT_EQ(Shown(), std::vector<std::wstring>(ascending.rbegin(), ascending.rend()));
    EXPECT_TRUE(list.sortDescending());
    list.ClickColumn(kNameColumn);
    EXPECT_EQ(Shown(), registry);
    EXPECT_EQ(list.sortColumn(), -1);
}

// The selection is who the rows are: it stays through a new listing, a
// filter and another order; when none of it is left, the first row is
// selected.
TEST_F(ListTest, TheSelectionFollowsTheRegistrationsThemselves) {
    for (int i = 0; i < 5; ++i) PutEntry(L"e" + std::to_wstring(i) + L".exe", L"C:\\e.exe");
    PutEntry(L"e1.exe", L"C:\\mine.exe", Scope::User);
    List();
    EXPECT_EQ(Selected(), std::vector<std::wstring>{L"e0.exe"});
    list.Select({1, 3, 5}, 3);  // the machine's e1 and e3, the user's e1
    EXPECT_EQ(list.SelectedEntry()->name, L"e3.exe");
    List();
    EXPECT_EQ(Selected(), (std::vector<std::wstring>{L"e1.exe", L"e3.exe", L"e1.exe"}));
    list.ClickColumn(kNameColumn);
    list.ClickColumn(kNameColumn);
    EXPECT_EQ(list.SelectedShown(), (std::vector<size_t>{1, 3, 4}));
    list.SetFilter(L"mine");
    EXPECT_EQ(list.SelectedEntry()->scope, Scope::User);
    list.SetFilter(L"");
    EXPECT_EQ(list.SelectedEntries().size(), 3u);
    // While names come in, the rows not listed yet keep their selection.
    list.BeginListing();
    std::vector<std::wstring> wanted;
    list.ReadSlice(std::chrono::milliseconds(0), wanted);  // one name
    list.Select({}, std::nullopt);  // as the window selects among the rows shown so far
    list.ReadRest(wanted);
    EXPECT_EQ(list.SelectedEntries().size(), 3u);

    ClearAppPaths();
    PutEntry(L"other.exe", L"C:\\other.exe");
    PutEntry(L"only.exe", L"C:\\only.exe");
    List();
    EXPECT_EQ(Selected(), std::vector<std::wstring>{Shown().front()});
}
