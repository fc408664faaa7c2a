#include "http/proxy.h"

#include <mutex>

namespace af {
namespace {

std::mutex choice_mutex;
ProxyChoice& stored() {
  static ProxyChoice choice;
  return choice;
}

}  // namespace

void set_proxy_choice(const ProxyChoice& choice) {
  std::lock_guard lock(choice_mutex);
  stored() = choice;
}

ProxyChoice proxy_choice() {
  std::lock_guard lock(choice_mutex);
  return stored();
}

}  // namespace af
