#include "platform/events.h"

#include <atomic>

#include "platform/worker.h"

namespace af {
namespace {
std::atomic<Face*> installed{nullptr};
}

Face* current_face() {
  return installed.load(std::memory_order_acquire);
}
void set_current_face(Face* face) {
  installed.store(face, std::memory_order_release);
}

void tell(const Event& event) {
  Face* face = current_face();
  if (!face) return;
  if (WorkerToken* token = current_token()) {
    checkpoint();
    if (token->cancelled()) return;
  }
  face->report(event);
}

void tell_log(LogKind kind, const Text& text) {
  tell(LogEvent{kind, text});
}
void tell_status(Status status, int count) {
  tell(StatusEvent{status, count});
}

}  // namespace af
