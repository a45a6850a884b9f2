// The author's credits: the fixed values that the About window shows and that
// the exported files carry.
#pragma once

namespace tolvane {

inline constexpr wchar_t kAuthorCredit[] = L"Brisqual(tenmoru)";
inline constexpr wchar_t kBlogHost[] = L"blog.example.com";
inline constexpr wchar_t kSiteUrl[] = L"http://blog.example.com";
inline constexpr wchar_t kMailAddress[] = L"author@example.com";
// The XML export names the author with a mail address of its own.
inline constexpr wchar_t kXmlMailAddress[] = L"author@example.org";

}  // namespace tolvane
