// Dismisses modal windows that a script cannot: while one lives, any top-level window that the
// creating thread opens is sent WM_CLOSE once the delay has passed (and again every 100 ms, in case
// it appeared late or ignored the first one).
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

class DialogCloser {
public:
  explicit DialogCloser(int delayMilliseconds);
  ~DialogCloser();
  DialogCloser(const DialogCloser&) = delete;
  DialogCloser& operator=(const DialogCloser&) = delete;

  // How many windows it has sent WM_CLOSE to.
  int closed() const { return closed_; }

private:
  void Watch(int delayMilliseconds);
  std::set<HWND> ThreadWindows() const;

  const DWORD thread_;
  const std::set<HWND> before_;  // the thread's windows when watching began: never closed
  std::atomic<int> closed_ = 0;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread watcher_;
};
