// GoogleTest's customisation point, found ahead of its own empty one. The
// cross compiler's thread model has no std::mutex, which GoogleTest's own
// Notification needs; this one waits on an atomic flag instead. Only
// GoogleTest's thread helpers use it; our cases run on one thread.
#ifndef SKELVANE_GTEST_CUSTOM_PORT_H_
#define SKELVANE_GTEST_CUSTOM_PORT_H_

#include <atomic>
#include <thread>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  // Lets every waiting thread go on.
  void Notify() { notified_.store(true); }

  // Returns once Notify was called.
  void WaitForNotification() {
    while (!notified_.load()) std::this_thread::yield();
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing

#endif  // SKELVANE_GTEST_CUSTOM_PORT_H_
