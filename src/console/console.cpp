#include "console/console.h"

#include <string_view>

#include "console/arguments.h"
#include "console/common.h"
#include "console/exit_codes.h"
#include "console/output.h"
#include "console/verbs.h"
#include "toolkit/build_info.h"

namespace tolvane::console {

namespace {

constexpr wchar_t kUsage[] =
    L"tolvanec：在命令行管理“运行”对话框使用的 App Paths 注册项。\n"
    L"\n"
    L"用法：\n"
    L"tolvanec list   [--scope all|machine|user] [--format table|json|csv] [--broken] "
    L"[--suspicious]\n"
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
    L"  list     列出注册项，所有用户的在前（--broken 只列出程序不存在、路径不完整或\n"
    L"           附加路径中有不存在的文件夹的项；--suspicious 只列出可疑的项：当前用户\n"
    L"           登记覆盖系统程序、程序位于临时或公共文件夹、目标是脚本或脚本宿主）\n"
    L"  show     显示一个注册项的程序路径、值类型和附加路径\n"
    L"  add      添加注册项（--path 同时写入附加路径；--force 覆盖已有的同名项）\n"
    L"  set      只修改给出的程序路径或附加路径，其余不变（--path \"\" 删除附加路径）\n"
    L"  remove   删除注册项\n"
    L"  export   把注册项导出到文件；格式默认由扩展名决定\n"
    L"           （.reg、.json、.csv、.htm/.html、.xml）\n"
    L"  import   从 .reg 文件或 list --format json 的输出导入注册项；先检查整个文件，\n"
    L"           写入失败时恢复原样（--dry-run 只显示将添加、修改和不变的项）\n"
    L"  check    报告程序不存在或可疑的注册项\n"
    L"  which    显示输入一个短名字时会启动哪个程序，以及其他有此名称的位置\n"
    L"\n"
    L"NAME 不以 .exe 结尾时自动加上 .exe。\n"
    L"范围：machine 为本机所有用户（HKEY_LOCAL_MACHINE，修改需要管理员权限），\n"
    L"user 为当前用户（HKEY_CURRENT_USER），all 为两者。读取时默认 all，修改时默认 machine。\n"
    L"\n"
    L"查找顺序：当前用户的 App Paths、所有用户的 App Paths、Windows 文件夹、系统文件夹、\n"
    L"PATH 中的文件夹（不查当前文件夹）。这是因为 Windows 先查 App Paths 再查搜索路径，\n"
    L"并且当前用户的登记优先。\n"
    L"\n"
    L"退出代码：\n"
    L"  0  成功\n"
    L"  1  所检查的条件不成立：未找到、已存在、发现失效或可疑的项\n"
    L"  2  用法错误，或输入文件无效\n"
    L"  3  其他错误\n"
    L"  5  拒绝访问（请以管理员身份运行，或使用 --scope user）\n";

struct Verb {
    VerbSyntax syntax;
    int (*run)(const Invocation& call);
};

const Verb kVerbs[] = {
    {{L"list", 0, {L"--scope", L"--format"}, {L"--broken", L"--suspicious"}}, List},
    {{L"show", 1, {L"--scope", L"--format"}}, Show},
    {{L"add", 2, {L"--scope", L"--path"}, {L"--force"}}, Add},
    {{L"set", 1, {L"--target", L"--path", L"--scope"}}, Set},
    {{L"remove", 1, {L"--scope"}}, Remove},
    {{L"export", 1, {L"--format", L"--scope"}}, Export},
    {{L"import", 1, {}, {L"--dry-run"}}, Import},
    {{L"check", 0, {L"--scope"}}, Check},
    {{L"which", 1}, Which},
};

}  // namespace

int BadUsage(const std::wstring& problem) {
    WriteErr(problem.empty() ? kUsage : L"tolvanec：" + problem + L"\n\n" + kUsage);
    return kExitUsage;
}

int Run(const std::vector<std::wstring>& arguments) {
    if (arguments.empty()) return BadUsage(L"");
    const std::wstring& first = arguments.front();
    if (first == L"--help" || first == L"--version") {
        if (arguments.size() > 1) return BadUsage(first + L" 之后不能再有参数。");
        if (first == L"--help") return Print(kUsage);
        return Print(L"tolvanec " TOLVANE_VERSION_AND_BITS L" (" TOLVANE_COMMIT L")\n");
    }
    for (const Verb& verb : kVerbs) {
        if (first != verb.syntax.verb) continue;
        Invocation call;
        std::wstring problem;
        std::vector<std::wstring> rest(arguments.begin() + 1, arguments.end());
        if (!ParseArguments(verb.syntax, rest, call, problem)) return BadUsage(problem);
        return verb.run(call);
    }
    return BadUsage(L"无法识别的参数“" + first + L"”。");
}

}  // namespace tolvane::console
