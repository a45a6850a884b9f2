#include "console/table.h"

#include <algorithm>

#include "toolkit/narrow.h"

namespace tolvane::console {

namespace {

struct Range {
    char32_t first;
    char32_t last;
};

// Characters that take no column of their own: combining marks, joiners
// and variation selectors.
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x200B, 0x200F}, {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F},
};

// East Asian wide and full-width characters, and the emoji blocks. The
// ellipsis, too: the consoles of Chinese code pages draw it full width, and
// counting it wide only ever leaves a column to spare.
constexpr Range kWide[] = {
    {0x2026, 0x2026},   {0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF},
    {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xA960, 0xA97F},
    {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F}, {0x1F680, 0x1F6FF}, {0x1F900, 0x1F9FF},
    {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

template <size_t N>
bool In(const Range (&ranges)[N], char32_t c) {
    return std::any_of(std::begin(ranges), std::end(ranges),
                       [c](const Range& range) { return c >= range.first && c <= range.last; });
}

size_t CharWidth(char32_t c) {
    if (In(kZeroWidth, c)) return 0;
    return In(kWide, c) ? 2 : 1;
}

void AppendPadded(const std::wstring& cell, size_t width, std::wstring& line) {
    line += cell;
    line.append(width - DisplayWidth(cell), L' ');
}

constexpr wchar_t kEllipsis[] = L"…";

// The characters of |text| from its start, or up to its end, that take at
// most |width| columns; a surrogate pair stays whole.
std::wstring_view Head(std::wstring_view text, size_t width) {
    size_t used = 0;
    size_t end = 0;
    while (end < text.size()) {
        size_t next = end + (IsHighSurrogate(text[end]) && end + 1 < text.size() ? 2 : 1);
        used += DisplayWidth(text.substr(end, next - end));
        if (used > width) break;
        end = next;
    }
    return text.substr(0, end);
}

std::wstring_view Tail(std::wstring_view text, size_t width) {
    size_t used = 0;
    size_t begin = text.size();
    while (begin > 0) {
        size_t previous = begin - (IsLowSurrogate(text[begin - 1]) && begin > 1 ? 2 : 1);
        used += DisplayWidth(text.substr(previous, begin - previous));
        if (used > width) break;
        begin = previous;
    }
    return text.substr(begin);
}

std::vector<size_t> ColumnWidths(const std::vector<std::vector<std::wstring>>& lines) {
    std::vector<size_t> widths;
    for (const auto& cells : lines) {
        widths.resize(std::max(widths.size(), cells.size()));
        for (size_t i = 0; i < cells.size(); ++i) {
            widths[i] = std::max(widths[i], DisplayWidth(cells[i]));
        }
    }
    return widths;
}

}  // namespace

size_t DisplayWidth(std::wstring_view text) {
    size_t width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            c = CodePointOf(text[i], text[i + 1]);
            ++i;
        }
        width += CharWidth(c);
    }
    return width;
}

std::wstring TableText(const std::vector<std::vector<std::wstring>>& lines, bool header) {
    std::vector<size_t> widths = ColumnWidths(lines);
    std::wstring text;
    for (size_t row = 0; row < lines.size(); ++row) {
        std::wstring line;
        for (size_t i = 0; i < lines[row].size(); ++i) {
            if (i) line += L"  ";
            AppendPadded(lines[row][i], widths[i], line);
        }
        line.erase(line.find_last_not_of(L' ') + 1);
        text += line + L"\n";
        if (row == 0 && header) {
            std::wstring rule;
            for (size_t i = 0; i < widths.size(); ++i) {
                if (i) rule += L"  ";
                rule.append(widths[i], L'-');
            }
            text += rule + L"\n";
        }
    }
    return text;
}

std::wstring CutPath(const std::wstring& text, size_t width) {
    if (DisplayWidth(text) <= width) return text;
    size_t ellipsis = DisplayWidth(kEllipsis);
    if (width <= ellipsis) return std::wstring(Head(text, width));
    size_t slash = text.find_last_of(L"\\/");
    std::wstring_view name(text);
    if (slash != std::wstring::npos) name.remove_prefix(slash);
    size_t nameWidth = DisplayWidth(name);
    // No room for the name: as much of its end as fits.
    if (nameWidth + ellipsis > width) return kEllipsis + std::wstring(Tail(text, width - ellipsis));
    std::wstring_view head = Head(text, width - ellipsis - nameWidth);
    return std::wstring(head) + kEllipsis + std::wstring(name);
}

std::wstring FittedTableText(const std::vector<std::vector<std::wstring>>& lines, bool header,
                             size_t width, size_t paths) {
    std::vector<size_t> widths = ColumnWidths(lines);
    if (width == 0 || paths >= widths.size()) return TableText(lines, header);
    size_t total = 2 * (widths.size() - 1);
    for (size_t column : widths) total += column;
    if (total <= width) return TableText(lines, header);
    // The header's own width is as narrow as the column goes.
    size_t least = header && paths < lines[0].size() ? DisplayWidth(lines[0][paths]) : 1;
    size_t excess = total - width;
    size_t fitted = widths[paths] > excess ? std::max(widths[paths] - excess, least) : least;
    std::vector<std::vector<std::wstring>> cut = lines;
    for (size_t row = header ? 1 : 0; row < cut.size(); ++row) {
        if (paths < cut[row].size()) cut[row][paths] = CutPath(cut[row][paths], fitted);
    }
    return TableText(cut, header);
}

}  // namespace tolvane::console
