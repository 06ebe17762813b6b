// Window: one C++ object bound to one HWND. The object is bound at WM_NCCREATE, cannot be
// copied, and destroys its window when it goes; a window that the system destroys first (as a
// child goes with its parent) leaves the object with no handle rather than a stale one. Each
// derived class has one message switch (HandleMessage); what it leaves goes to DefaultHandler.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

// The module that holds this code (the plug-in, or a test program that links it in). Window
// classes and resources belong to it, not to the host's executable.
HINSTANCE ThisModule();

// Code of ours running: an export the host called, or a window procedure of ours. The host may
// call us again from inside any call we make into it or into the system, and that call may end a
// window whose code is still running further up the stack. So a window object passed to
// Window::DeleteLater loses its window at once, and the object itself is deleted when the last
// of these scopes ends.
// When that last scope is an export's and no window of ours is left, the module also gives back
// its window classes, the compositor library and the reference to itself that its windows hold.
class ReentryScope {
public:
  enum class Caller { Ours, Host };
  explicit ReentryScope(Caller caller = Caller::Ours);
  ~ReentryScope();
  ReentryScope(const ReentryScope&) = delete;
  ReentryScope& operator=(const ReentryScope&) = delete;

private:
  Caller caller_;
};

class Window {
public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND Handle() const { return hwnd_; }
  bool HasHandle() const { return hwnd_ != nullptr; }
  // True on the thread that made our windows, and on any thread while there is none: only there
  // may a window of ours be destroyed or its object deleted.
  static bool OnWindowsThread();
  // The object behind a window of ours, or null for a foreign or dead handle.
  static Window* FromHandle(HWND hwnd);

  // Destroys the window now (nothing when there is none).
  void DestroyHandle();
  bool Destroying() const { return destroying_; }

  // Ends an object made with new: what ReleaseNow gives up goes now, the object itself once no
  // code of ours is running (at once when none is). Null, or an object already going, is left
  // alone.
  static void DeleteLater(Window* window);

protected:
  struct CreateParams {
    DWORD style = WS_POPUP;
    DWORD exStyle = 0;
    std::wstring caption;
    int x = 0, y = 0, width = 0, height = 0;
    HWND parent = nullptr;
    HBRUSH background = nullptr;  // the class brush; null: the window paints its background itself
  };
  // Creates the window of a class of ours (registered on first use, unregistered once no window
  // of ours is left). Throws Error when the system refuses.
  void CreateHandle(const wchar_t* className, const CreateParams& params);

  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);
  // What an object passed to DeleteLater gives up at once: its window, and whatever a derived
  // class adds.
  virtual void ReleaseNow() { DestroyHandle(); }
  // Runs once the window has ended (after WM_NCDESTROY, with no handle left), whoever ended it:
  // the place where an owner that ends its objects with their windows lets this one go.
  virtual void FinalMessage() {}
  // For destructors: the object is going already, so nothing it does on the way deletes it again.
  void MarkGoing() { going_ = true; }

private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  bool destroying_ = false;
  bool going_ = false;  // passed to DeleteLater, or being deleted
};

// Called with a window that still exists as its object goes: the derived class did not destroy the
// window in its own destructor, so the window's last messages reached none of its handlers. The
// plug-in only notes it for a debugger; test builds install a handler that stops the program there.
using OutlivedWindowHandler = void (*)(HWND hwnd);
// Plain memory work, so a static initializer may call it, under the loader lock too. Null puts
// back the note for a debugger.
void SetOutlivedWindowHandler(OutlivedWindowHandler handler);

// Owns a window object made with new and passes it to Window::DeleteLater when reset or destroyed.
struct DeleteWindowLater {
  void operator()(Window* window) const { Window::DeleteLater(window); }
};
template <typename T>
using WindowPtr = std::unique_ptr<T, DeleteWindowLater>;
