#include "framework/window.h"

#include <algorithm>
#include <atomic>
#include <utility>
#include <vector>

#include "framework/compositor.h"
#include "framework/errors.h"
#include "framework/trace.h"
#include "resources/texts.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

constexpr wchar_t kObjectProperty[] = L"VitrelleWindowObject";

void NoteOutlivedWindow(HWND) { OutputDebugStringW(L"Vitrelle: a window outlived its object\n"); }

// Constant-initialized: set before any static initializer that installs another handler runs.
constinit OutlivedWindowHandler outlivedWindowHandler = NoteOutlivedWindow;

// What the module keeps for its windows, in one object. Every window of ours, and every call
// that may touch one, runs on the thread that made our windows (Window::OnWindowsThread), so none
// of it is locked.
class WindowBookkeeping {
public:
  // The window classes this module registered. A DLL's classes outlive it unless it unregisters
  // them, and a class left behind would point at code that is gone after the host unloads us;
  // they are unregistered once no window of ours is left (see ReleaseIfIdle), never as the
  // module unloads.
  void EnsureClass(const wchar_t* name, HBRUSH background, WNDPROC procedure) {
    if (std::find(classNames_.begin(), classNames_.end(), name) != classNames_.end()) return;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = procedure;
    wc.hInstance = ThisModule();
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    if (!RegisterClassExW(&wc)) {
      const DWORD code = GetLastError();
      if (code != ERROR_CLASS_ALREADY_EXISTS) throw SystemError(texts::kNoWindowClass, code);
    }
    classNames_.emplace_back(name);
  }

  // Windows of ours keep the module loaded. A host may unload the plug-in without its clean-up
  // notice while a panel or the lens is on the screen; the system would then send their
  // messages to code that is gone. So the first window takes a reference to the module, and the
  // module stays until that reference is given back, which happens only at the end of a call
  // from the host that leaves no window of ours (the host holds its own reference while it calls
  // us, so that FreeLibrary never unloads the code it returns to). Unloaded with windows alive,
  // the module stays until the process ends. None of this runs as the module loads or unloads:
  // there, under the loader lock, no library may be loaded or freed and no USER32 or GDI32 call
  // made.
  void WindowMade() {
    if (liveWindows_ == 0) windowsThread_ = GetCurrentThreadId();
    ++liveWindows_;
    if (heldModule_ != nullptr) return;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ThisModule),
                       &heldModule_);
  }
  void WindowEnded() { --liveWindows_; }

  // True on the thread of our windows, and on any thread while there is none.
  bool OnWindowsThread() const { return liveWindows_ == 0 || GetCurrentThreadId() == windowsThread_; }

  // How many ReentryScopes are open, and the objects that wait for the last one to end to be
  // deleted.
  void EnterCall() { ++callDepth_; }
  void LeaveCall(ReentryScope::Caller caller) {
    if (callDepth_ > 1) {
      --callDepth_;
      return;
    }
    // Still inside the scope while the objects go: what their destructors start (messages,
    // calls of the host back into us) does not start another round of deleting.
    while (!toDelete_.empty()) {
      Window* window = toDelete_.back();
      toDelete_.pop_back();
      delete window;
    }
    if (caller == ReentryScope::Caller::Host) ReleaseIfIdle();
    --callDepth_;
  }
  void DeleteAfterCall(Window* window) { toDelete_.push_back(window); }

private:
  // At the end of the host's call: with no window of ours left, what the windows needed goes.
  void ReleaseIfIdle() {
    if (liveWindows_ != 0) return;
    for (const auto& name : classNames_) UnregisterClassW(name.c_str(), ThisModule());
    classNames_.clear();
    ReleaseCompositor();
    if (heldModule_ != nullptr) FreeLibrary(std::exchange(heldModule_, nullptr));
  }

  std::vector<std::wstring> classNames_;
  // Atomic: a call on another thread reads them to be refused.
  std::atomic<int> liveWindows_ = 0;
  std::atomic<DWORD> windowsThread_ = 0;
  HMODULE heldModule_ = nullptr;
  int callDepth_ = 0;
  std::vector<Window*> toDelete_;
};

// Made on first use, by a host call or a window of ours, never as the module loads. Its end as
// the module unloads frees only memory: no window or class is touched under the loader lock.
WindowBookkeeping& Bookkeeping() {
  static WindowBookkeeping bookkeeping;
  return bookkeeping;
}

}  // namespace

ReentryScope::ReentryScope(Caller caller) : caller_(caller) { Bookkeeping().EnterCall(); }

ReentryScope::~ReentryScope() { Bookkeeping().LeaveCall(caller_); }

void SetOutlivedWindowHandler(OutlivedWindowHandler handler) {
  outlivedWindowHandler = handler != nullptr ? handler : NoteOutlivedWindow;
}

HINSTANCE ThisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

Window::~Window() {
  going_ = true;
  if (hwnd_ != nullptr) {
    outlivedWindowHandler(hwnd_);
    DestroyHandle();
  }
}

void Window::DeleteLater(Window* window) {
  if (window == nullptr || window->going_) return;
  window->going_ = true;
  ReentryScope scope;  // deletes it on the way out when no other code of ours is running
  Bookkeeping().DeleteAfterCall(window);
  // A window in the middle of its destruction has nothing more to give up.
  if (!window->destroying_) window->ReleaseNow();
}

bool Window::OnWindowsThread() { return Bookkeeping().OnWindowsThread(); }

Window* Window::FromHandle(HWND hwnd) {
  return hwnd ? static_cast<Window*>(GetPropW(hwnd, kObjectProperty)) : nullptr;
}

void Window::DestroyHandle() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);  // WM_NCDESTROY clears hwnd_
}

void Window::CreateHandle(const wchar_t* className, const CreateParams& p) {
  Bookkeeping().EnsureClass(className, p.background, &Window::Procedure);
  HWND hwnd = CreateWindowExW(p.exStyle, className, p.caption.c_str(), p.style, p.x, p.y, p.width, p.height,
                              p.parent, nullptr, ThisModule(), this);
  if (hwnd == nullptr) throw SystemError(texts::kNoWindow, GetLastError());
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(message, wParam, lParam);
}

LRESULT Window::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
  // A handler may have ended the window (closed the lens, say); the message then has no window.
  return hwnd_ != nullptr ? DefWindowProcW(hwnd_, message, wParam, lParam) : 0;
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const ReentryScope scope;  // the object outlives this message, whatever its handler starts
  Window* self = FromHandle(hwnd);
  if (message == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetPropW(hwnd, kObjectProperty, self);
    Bookkeeping().WindowMade();
  }
  if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_DESTROY) self->destroying_ = true;
  LRESULT result = 0;
  // An exception must not unwind through the system's frames (the host's message loop is among
  // them): a handler that fails leaves the message to the default processing.
  try {
    result = self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    TraceFailure("a window's message");
    result = DefWindowProcW(hwnd, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    Bookkeeping().WindowEnded();
    RemovePropW(hwnd, kObjectProperty);
    self->hwnd_ = nullptr;
    self->destroying_ = false;
    try {
      self->FinalMessage();  // the object may be passed to DeleteLater here; this scope still holds it
    } catch (...) {
      TraceFailure("a window's end");
    }
  }
  return result;
}
