#include "dialog_closer.h"

#include <chrono>

namespace {

BOOL CALLBACK AddWindow(HWND window, LPARAM windows) {
  if (IsWindowVisible(window)) reinterpret_cast<std::set<HWND>*>(windows)->insert(window);
  return TRUE;
}

}  // namespace

DialogCloser::DialogCloser(int delayMilliseconds)
    : thread_(GetCurrentThreadId()), before_(ThreadWindows()), watcher_([this, delayMilliseconds] { Watch(delayMilliseconds); }) {}

DialogCloser::~DialogCloser() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  watcher_.join();
}

std::set<HWND> DialogCloser::ThreadWindows() const {
  std::set<HWND> windows;
  EnumThreadWindows(thread_, &AddWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

void DialogCloser::Watch(int delayMilliseconds) {
  std::set<HWND> sent;
  std::unique_lock lock(mutex_);
  auto wait = std::chrono::milliseconds(delayMilliseconds);
  while (!wake_.wait_for(lock, wait, [this] { return stop_; })) {
    for (HWND window : ThreadWindows()) {
      if (before_.count(window)) continue;
      PostMessageA(window, WM_CLOSE, 0, 0);
      if (sent.insert(window).second) ++closed_;
    }
    wait = std::chrono::milliseconds(100);
  }
}
