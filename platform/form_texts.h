// The form's controls as they first stand: captions, and the controls that start hidden.
// Both windows are built from this one table.
#pragma once

#include <string_view>

#include "platform/controls.h"
#include "text/text.h"

#ifndef Q_MOC_RUN
namespace af {

struct FormText {
  std::string_view control;
  std::string_view caption;  // UTF-8
  bool hidden = false;
};

inline constexpr FormText form_texts[] = {
    {ctl::标签2, "主页："},
    {ctl::按钮_获取相册封面, "1:获取相册"},
    {ctl::按钮_下载选中, "2：下载选中"},
    {ctl::按钮_继续下载, "继续下载", true},
    {ctl::按钮_暂停线程, "暂停下载", true},
    {ctl::标签_保存路径, "保存位置："},
    {ctl::按钮_选择位置, "设置"},
    {ctl::按钮_打开目录, "打开目录"},
    {ctl::选择框_全选, "全选"},
    {ctl::选择框_反选, "反选"},
    {ctl::选择框_有封面, "有图(低配电脑不要选，会变慢)"},
    {ctl::画板1, "", true},
    {ctl::标签3, "执行操作日志："},
    {ctl::标签_进度, "下载进度："},
    {ctl::标签8, "版本：v" ALBUMFETCH_VERSION},
    {ctl::分组框7, "使用说明"},
    {ctl::分组框5, "客服："},
    {ctl::选择框_跳过已下载, "跳过已下载的图片"},
    {ctl::标签6, "在线客服："},
    {ctl::标签9, "软件主页（点击打开）："},
    {ctl::标签10, "欢迎反馈"},
    {ctl::分组框4, "软件版本"},
    {ctl::标签5, "当前版本："},
    {ctl::标签_banben, ALBUMFETCH_VERSION},
    {ctl::标签_xinbanben, "最新版本："},
    {ctl::按钮_checknew, "检测程序是否有更新"},
};

// The caption a control starts with, in UTF-8; empty for one the table does not name.
constexpr std::string_view form_caption(std::string_view control) {
  for (const FormText& f : form_texts)
    if (f.control == control) return f.caption;
  return {};
}

// The album list's column headers and first widths.
inline constexpr std::string_view column_headers[] = {"选择", "序号",   "相册名称", "封面",
                                                      "数量", "相册ID", "相册权限", "相册密码"};
inline constexpr int column_widths[] = {60, 60, 120, 100, 0, 0, 0, 0};

}  // namespace af
#endif
