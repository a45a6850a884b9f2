#include "console/console.h"

#include <algorithm>
#include <string_view>

#include "console/exit_codes.h"
#include "console/output.h"
#include "tolvane_version.h"

namespace tolvane::console {

namespace {

constexpr wchar_t kUsage[] =
    L"tolvanec：在命令行管理“运行”对话框使用的 App Paths 注册项。\n"
    L"\n"
    L"用法：\n"
    L"tolvanec list   [--scope all|machine|user] [--format table|json|csv] [--broken]\n"
    L"tolvanec show   NAME [--scope all|machine|user] [--format table|json]\n"
    L"tolvanec add    NAME PATH [--scope machine|user] [--path FOLDERS] [--force]\n"
    L"tolvanec set    NAME [--target PATH] [--path FOLDERS] [--scope machine|user]\n"
    L"tolvanec remove NAME [--scope machine|user]\n"
    L"tolvanec export FILE [--format reg|json|csv|html|xml] [--scope all|machine|user]\n"
    L"tolvanec import FILE [--dry-run]\n"
    L"tolvanec check  [--scope all|machine|user]\n"
    L"tolvanec which  NAME\n"
    L"tolvanec --help | --version\n"
    L"\n"
    L"命令：\n"
    L"  list     列出注册项（--broken 只列出程序不存在的项）\n"
    L"  show     显示一个注册项的程序路径和附加搜索路径\n"
    L"  add      添加注册项（--force 覆盖已有的同名项）\n"
    L"  set      修改注册项的程序路径或附加搜索路径\n"
    L"  remove   删除注册项\n"
    L"  export   把注册项导出到文件\n"
    L"  import   从文件导入注册项（--dry-run 只显示将做的修改）\n"
    L"  check    检查所有注册项，报告程序不存在的项\n"
    L"  which    显示一个短名字会启动哪个程序\n"
    L"\n"
    L"范围：machine 为本机所有用户（HKEY_LOCAL_MACHINE，写入需要管理员权限），\n"
    L"user 为当前用户（HKEY_CURRENT_USER），all 为两者。\n"
    L"\n"
    L"退出代码：\n"
    L"  0  成功\n"
    L"  1  所检查的条件不成立：未找到、已存在、发现失效的项\n"
    L"  2  用法错误，或输入文件无效\n"
    L"  3  其他错误\n"
    L"  5  拒绝访问（请以管理员身份运行）\n";

constexpr std::wstring_view kVerbs[] = {L"list",   L"show",   L"add",   L"set",  L"remove",
                                        L"export", L"import", L"check", L"which"};

bool IsVerb(const std::wstring& word) {
    return std::find(std::begin(kVerbs), std::end(kVerbs), word) != std::end(kVerbs);
}

int Done(bool written) {
    return written ? kExitSuccess : kExitFailure;
}

int BadUsage(const std::wstring& message) {
    WriteErr(message.empty() ? kUsage : message + L"\n\n" + kUsage);
    return kExitUsage;
}

int NotWrittenYet(const std::wstring& verb) {
    WriteErr(L"tolvanec：命令“" + verb + L"”尚未实现。\n");
    return kExitUsage;
}

}  // namespace

int Run(const std::vector<std::wstring>& arguments) {
    if (arguments.empty()) return BadUsage(L"");
    const std::wstring& first = arguments.front();
    if (first == L"--help" || first == L"--version") {
        if (arguments.size() > 1) return BadUsage(L"tolvanec：" + first + L" 之后不能再有参数。");
        if (first == L"--help") return Done(WriteOut(kUsage));
        return Done(WriteOut(L"tolvanec " TOLVANE_VERSION L" (" TOLVANE_COMMIT L")\n"));
    }
    if (IsVerb(first)) return NotWrittenYet(first);
    return BadUsage(L"tolvanec：无法识别的参数“" + first + L"”。");
}

}  // namespace tolvane::console
