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

}  // namespace tolvane::console
