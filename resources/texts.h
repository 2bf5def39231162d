// Every text Tovrel shows, in one place: titles, captions, column headers and messages.
#pragma once

#include <string>

#include "resources/version.h"

namespace tovrel {

// The main window.
inline const std::u16string kMainTitle = TOVREL_U(TOVREL_PRODUCT_NAME " " TOVREL_VERSION_LABEL);
inline const std::u16string kDescription = u"程序CPU使用限制器，可以有效限制特定程序CPU占用率过高的问题";
inline const std::u16string kProductName = TOVREL_U(TOVREL_PRODUCT_NAME);
inline const std::u16string kVersionCaption = u"版本： " TOVREL_VERSION_LABEL;
// The maker's home page, shown by LabelOstrin and opened by its click.
inline const std::u16string kHomePageUrl = u"https://tovrel.example.org/";
inline const std::u16string kColumnHeaders[] = {u"ID", u"PID", u"进程", u"限制CPU使用率"};
inline const std::u16string kRefreshCaption = u"刷新";
inline const std::u16string kLimitCaption = u"限制";
inline const std::u16string kExitPrompt = u"退出后将失去对所有程序CPU使用率的限制。";
inline const std::u16string kExitTitle = u"确定要退出吗？";
// Without the system's common controls no window can be made.
inline const std::u16string kNoCommonControls = u"Tovrel 无法启动：无法加载 Windows 的通用控件库 comctl32.dll。";

// The set-percent dialog.
inline const std::u16string kDialogTitle = u"设置CPU使用率";
inline const std::u16string kPathCaption = u"进程：";
inline const std::u16string kPidCaption = u"PID：";
inline const std::u16string kSliderCaption = u"限制CPU使用率：";
inline const std::u16string kModifyCaption = u"调整";
inline const std::u16string kFreeCaption = u"释放";
inline const std::u16string kCancelCaption = u"取消";
inline const std::u16string kOkCaption = u"确定";

// Notices: the title of each, and why a limit cannot be added.
inline const std::u16string kNoticeTitle = u"提示";
inline const std::u16string kFourthLimitRefusal = u"为了系统稳定性考虑，只允许限制3个进程。";
inline const std::u16string kRefusedCritical = u"无法限制该进程：这是系统关键进程。";
inline const std::u16string kRefusedTovrel = u"无法限制 Tovrel 自身。";
inline const std::u16string kRefusedEnded = u"该进程已经结束，请刷新列表。";
inline const std::u16string kRefusedNoAccess = u"无法限制该进程：没有足够的权限。";

}  // namespace tovrel
