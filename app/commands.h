// The window's commands that need no toolkit: they act through the window interface, so
// the Qt window, the headless window and the tests share them.
#pragma once

#include "albums/classify.h"
#include "platform/program.h"
#include "text/text.h"

namespace af {

inline constexpr std::string_view update_host = "update.albumfetch.net";
inline constexpr std::string_view maker_web_address = "http://www.albumfetch.net/";
inline constexpr std::string_view maker_contact_address = "http://www.albumfetch.net/contact";

// 按钮_获取相册封面: the get-albums action, a single album downloaded at once.
AddressKind classify_address();
void download_start();     // 按钮_下载选中
void select_all_rows();    // 选择框_全选
void invert_rows();        // 选择框_反选
void pause_download();     // 按钮_暂停线程
void continue_download();  // 按钮_继续下载
void check_for_update();   // 按钮_checknew
// Ends the program's work at exit: every worker is asked to stop and given a moment.
void exit_cleanup();

}  // namespace af
