// The controls' object names, as the window names them.
#pragma once

#include <string_view>

// Qt's moc cannot read identifiers outside ASCII; it needs none of these.
#ifndef Q_MOC_RUN
namespace af::ctl {

using N = std::string_view;
// Page 1
inline constexpr N 高级选择夹1 = "高级选择夹1";
inline constexpr N 分组框2 = "分组框2";
inline constexpr N 标签2 = "标签2";
inline constexpr N 编辑框_号码 = "编辑框_号码";
inline constexpr N 按钮_获取相册封面 = "按钮_获取相册封面";
inline constexpr N 按钮_下载选中 = "按钮_下载选中";
inline constexpr N 按钮_继续下载 = "按钮_继续下载";
inline constexpr N 按钮_暂停线程 = "按钮_暂停线程";
inline constexpr N 标签_保存路径 = "标签_保存路径";
inline constexpr N 编辑框_保存位置 = "编辑框_保存位置";
inline constexpr N 按钮_选择位置 = "按钮_选择位置";
inline constexpr N 按钮_打开目录 = "按钮_打开目录";
inline constexpr N 分组框3 = "分组框3";
inline constexpr N 选择框_全选 = "选择框_全选";
inline constexpr N 选择框_反选 = "选择框_反选";
inline constexpr N 选择框_有封面 = "选择框_有封面";
inline constexpr N 标签_动态 = "标签_动态";
inline constexpr N 超级列表框1 = "超级列表框1";
inline constexpr N 画板1 = "画板1";
inline constexpr N 分组框1 = "分组框1";
inline constexpr N 标签3 = "标签3";
inline constexpr N 编辑框_操作记录 = "编辑框_操作记录";
inline constexpr N 标签_进度 = "标签_进度";
inline constexpr N 进度条1 = "进度条1";
inline constexpr N 标签_进度条比例 = "标签_进度条比例";
inline constexpr N 标签_选择了相册数量 = "标签_选择了相册数量";
inline constexpr N 标签_正在下载相册 = "标签_正在下载相册";
inline constexpr N 标签_第多少张照片 = "标签_第多少张照片";
inline constexpr N 标签8 = "标签8";
// Page 2
inline constexpr N 分组框7 = "分组框7";
inline constexpr N 标签1 = "标签1";
inline constexpr N 选择框_跳过已下载 = "选择框_跳过已下载";
inline constexpr N 分组框5 = "分组框5";
inline constexpr N 标签6 = "标签6";
inline constexpr N 按钮_联系客服 = "按钮_联系客服";
inline constexpr N 标签9 = "标签9";
inline constexpr N 标签7 = "标签7";
inline constexpr N 标签10 = "标签10";
inline constexpr N 分组框4 = "分组框4";
inline constexpr N 标签5 = "标签5";
inline constexpr N 标签_banben = "标签_banben";
inline constexpr N 标签_xinbanben = "标签_xinbanben";
inline constexpr N 标签_zxbanben = "标签_zxbanben";
inline constexpr N 按钮_checknew = "按钮_checknew";
inline constexpr N 标签_banbenjieguo = "标签_banbenjieguo";

// Album list columns.
enum Column {
  col_选择 = 0,
  col_序号,
  col_相册名称,
  col_封面,
  col_数量,
  col_相册ID,
  col_相册权限,
  col_相册密码
};

}  // namespace af::ctl
#endif
