// Plain-text tables for the console: columns aligned by the width that a
// terminal gives each character, two columns for Chinese, Japanese and
// Korean characters and for emoji, none for combining marks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tolvane::console {

// The columns that |text| takes in a terminal.
size_t DisplayWidth(std::wstring_view text);

// |lines| as aligned columns, two spaces apart, without spaces at the end
// of a line. With |header|, the first line is underlined with dashes.
std::wstring TableText(const std::vector<std::vector<std::wstring>>& lines, bool header);

// |text|, a path, cut in the middle with "…" to at most |width| columns,
// keeping its file name whole where the width allows it.
std::wstring CutPath(const std::wstring& text, size_t width);

// As TableText, but when a line would be wider than |width| columns the
// paths of column |paths| are cut (CutPath) until every line fits, or the
// column is down to its header's width. A width of 0 leaves every cell
// whole.
std::wstring FittedTableText(const std::vector<std::vector<std::wstring>>& lines, bool header,
                             size_t width, size_t paths);

}  // namespace tolvane::console
