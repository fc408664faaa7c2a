#include "download/picture_fetch.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "download/picture_check.h"
#include "download/retry_policy.h"
#include "http/failure.h"
#include "http/fetch.h"
#include "platform/codepage.h"
#include "platform/delay.h"
#include "platform/files.h"
#include "platform/worker.h"

namespace af {
namespace {

struct TempFile {
  int fd = -1;
  int error = 0;  // errno of the first failed write
  PictureCheck check;

  bool write(const unsigned char* d, size_t n) {
    check.feed(d, n);
    while (n > 0) {
      ssize_t w = ::write(fd, d, n);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        error = w < 0 ? errno : ENOSPC;
        return false;
      }
      d += w;
      n -= static_cast<size_t>(w);
    }
    return true;
  }
  bool restart() {
    check.reset();
    if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) {
      error = errno;
      return false;
    }
    return true;
  }
};

void remove_file(const Text& path) {
  std::error_code ec;
  std::filesystem::remove(native_path(path), ec);
}

}  // namespace

PictureResult fetch_picture(const Text& url, const Text& temp, const Text& final_path) {
  PictureResult out;
  RetryPolicy policy(RetryTarget::picture);
  while (true) {
    if (current_cancelled()) {
      out.cancelled = true;
      return out;
    }
    checkpoint();
    TempFile file;
    file.fd = ::open(native_path(temp).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (file.fd < 0) {
      out.cause = describe_write_error(errno);
      return out;
    }
    TransferRequest rq = plain_http_get(url);
    rq.max_body = picture_body_cap;
    rq.on_data = [&file](const unsigned char* d, size_t n) { return file.write(d, n); };
    rq.on_restart = [&file] { return file.restart(); };
    TransferResult res = perform_transfer(rq);
    if (::close(file.fd) != 0 && res.error == TransferError::none) {
      res.error = TransferError::write;
      file.error = errno;
    }
    FetchReport report{res.error, res.status, res.retry_after_ms, rq.timeout_ms / 1000};
    bool answered = res.error == TransferError::none;
    bool ok_status = res.status >= 200 && res.status < 300;
    if (answered && ok_status && file.check.whole()) {
      std::error_code ec;
      std::filesystem::rename(native_path(temp), native_path(final_path), ec);
      if (!ec) {
        out.saved = true;
        out.cause.clear();
        out.size = static_cast<long long>(file.check.size());
        return out;
      }
      remove_file(temp);
      out.cause = describe_write_error(ec.value());
      return out;
    }
    remove_file(temp);
    if (res.error == TransferError::cancelled) {
      out.cancelled = true;
      return out;
    }
    FailedAttempt failed;
    failed.answered = answered;
    failed.status = res.status;
    failed.retry_after_ms = res.retry_after_ms;
    failed.write_error = res.error == TransferError::write;
    out.cause = failed.write_error ? describe_write_error(file.error) : describe_failure(report);
    std::optional<long> wait = policy.after_failure(failed);
    if (!wait) return out;
    pump_delay(static_cast<int>(*wait));
  }
}

}  // namespace af
