#include "http/failure.h"

#include <cerrno>
#include <cstring>

#include "platform/codepage.h"

namespace af {

Text describe_failure(const FetchReport& r) {
  switch (r.error) {
    case TransferError::none:
      if (r.status >= 200 && r.status < 300) return GBK("不是完整的图片");
      return GBK("服务器返回 ") + to_text(r.status);
    case TransferError::cancelled:
      return GBK("已取消");
    case TransferError::refused:
      return GBK("连接被拒绝");
    case TransferError::unresolved:
      return GBK("找不到服务器");
    case TransferError::no_answer:
      return to_text(static_cast<int>(r.timeout_s)) + GBK(" 秒内没有响应");
    case TransferError::too_slow:
      return GBK("传输过慢（") + to_text(static_cast<int>(slow_transfer_window_s)) +
             GBK(" 秒内平均不足 1 KB/s）");
    case TransferError::too_large:
      return GBK("超过大小上限");
    case TransferError::cut_off:
      return GBK("传输中断");
    case TransferError::tls:
      return GBK("安全连接失败（证书）");
    case TransferError::redirect:
      return GBK("不允许的重定向");
    case TransferError::write:
      return GBK("无法写入文件");
    case TransferError::other:
      break;
  }
  return GBK("网络错误");
}

Text describe_write_error(int e) {
  if (e == ENOSPC || e == EDQUOT) return GBK("磁盘已满");
  if (e == EACCES || e == EPERM || e == EROFS) return GBK("没有写入权限");
  if (e == ENAMETOOLONG) return GBK("文件名过长");
  return GBK("无法写入文件（") + utf8_to_gbk(std::string_view(std::strerror(e))) + GBK("）");
}

}  // namespace af
