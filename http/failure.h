// A failed exchange said in words, for the log.
#pragma once

#include "http/fetch.h"
#include "text/text.h"

namespace af {

// "服务器返回 404", "15 秒内没有响应", "连接被拒绝", ...
Text describe_failure(const FetchReport& report);
// The cause of a file that could not be written, from its errno.
Text describe_write_error(int error_number);

}  // namespace af
