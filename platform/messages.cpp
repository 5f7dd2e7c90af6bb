// Registered window messages: one number per name for the whole run.
#include "platform/messages.h"

#include <map>
#include <mutex>

#include "platform/text.h"

namespace platform {

uint32_t RegisterWindowMessage(const std::string& name) {
  static std::mutex lock;
  static std::map<std::string, uint32_t> numbers;
  if (name.empty()) return 0;
  std::lock_guard<std::mutex> g(lock);
  const std::string key = lowerCase(name);
  auto it = numbers.find(key);
  if (it != numbers.end()) return it->second;
  const uint32_t n = 0xC000u + static_cast<uint32_t>(numbers.size());
  if (n > 0xFFFFu) return 0;
  numbers.emplace(key, n);
  return n;
}

}  // namespace platform
