#include "download/picture_fetch.h"

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

// The new file and the check, fed the same bytes as they stream in.
struct Sink {
  NewFile& file;
  PictureCheck check;
  bool write(const unsigned char* d, size_t n) {
    check.feed(d, n);
    return file.write(d, n);
  }
  bool restart() {
    check.reset();
    return file.restart();
  }
};

}  // namespace

PictureResult fetch_picture(const Text& url, const Folder& folder, const Text& name,
                            const BeforeRename& before_rename) {
  PictureResult out;
  RetryPolicy policy(RetryTarget::picture);
  while (true) {
    if (current_cancelled()) {
      out.cancelled = true;
      return out;
    }
    checkpoint();
    NewFile file(folder, name);
    if (!file.ok()) {
      out.cause = describe_write_error(file.error());
      return out;
    }
    Sink sink{file, {}};
    TransferRequest rq = plain_http_get(url);
    rq.max_body = picture_body_cap;
    rq.on_data = [&sink](const unsigned char* d, size_t n) { return sink.write(d, n); };
    rq.on_restart = [&sink] { return sink.restart(); };
    TransferResult res = perform_transfer(rq);
    if (!file.ok() && res.error == TransferError::none) res.error = TransferError::write;
    FetchReport report{res.error, res.status, res.retry_after_ms, rq.timeout_ms / 1000};
    bool answered = res.error == TransferError::none;
    bool ok_status = res.status >= 200 && res.status < 300;
    if (answered && ok_status && sink.check.whole()) {
      std::int64_t size = 0, mtime = 0;
      if (file.stamp(size, mtime)) {
        if (before_rename) before_rename(size, mtime);
        if (file.commit()) {
          out.saved = true;
          out.cause.clear();
          out.size = size;
          out.mtime_ns = mtime;
          return out;
        }
      }
      out.cause = describe_write_error(file.error());
      return out;
    }
    file.discard();
    if (res.error == TransferError::cancelled) {
      out.cancelled = true;
      return out;
    }
    FailedAttempt failed;
    failed.answered = answered;
    failed.status = res.status;
    failed.retry_after_ms = res.retry_after_ms;
    failed.write_error = res.error == TransferError::write;
    out.cause = failed.write_error ? describe_write_error(file.error()) : describe_failure(report);
    std::optional<long> wait = policy.after_failure(failed);
    if (!wait) return out;
    pump_delay(static_cast<int>(*wait));
  }
}

}  // namespace af
