// AppWindow: a top-level or child window with showing, closing and a pop-up menu (its shortcuts and
// the context menu). One closed with CloseAction::Destroy is hidden at once and destroyed once the
// messages already queued for it have run, so a handler may close its own window; its owner
// deletes the object on the window's final message (Window::FinalMessage).
#pragma once

#include "framework/window.h"

class PopupMenu;

// Modifier keys held during an input event.
using ShiftState = unsigned;
enum : ShiftState { kShift = 1, kAlt = 2, kCtrl = 4 };

class AppWindow : public Window {
public:
  enum class CloseAction { None, Hide, Destroy };

  // Shows and activates the window; a window with default placement is centred first, on the
  // monitor of the window given to CentreNear (the main monitor without one). OnShown runs after
  // the window has become visible.
  void Show();
  void CentreNear(HWND window) { centreNear_ = window; }
  void Hide();
  // Asks the window to close: OnClosing decides what happens (Hide unless it says otherwise).
  void Close();
  // Destroys its window after the messages already queued for it.
  void PostDestroy();
  void BringToFront();

  bool Visible() const;
  bool Loading() const { return loading_; }

  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  // Setting the left or the top gives up the default placement.
  void SetLeft(int left);
  void SetTop(int top);
  void SetWidth(int width);
  void SetHeight(int height);

  DWORD ExStyle() const;
  void SetExStyle(DWORD exStyle);

  void SetPopup(PopupMenu* menu) { popup_ = menu; }

protected:
  AppWindow() = default;
  // Creation runs with Loading() true: handlers that must not act on a half-made window check it.
  void CreateAppWindow(const wchar_t* className, const CreateParams& params);
  void SetDefaultPlacement(bool centred) { centred_ = centred; }
  // Derived classes destroy the window in their own destructor, while their handlers still exist.
  void DestroyAppWindow() {
    MarkGoing();
    DestroyHandle();
  }

  virtual void OnShown() {}
  virtual void OnClosing(CloseAction& action) { (void)action; }
  // Where the pop-up menu opens when the keyboard asks for it (the menu key, Shift+F10), in
  // client coordinates: the top-left corner unless a window says otherwise.
  virtual POINT KeyboardMenuPoint() const { return {0, 0}; }

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  void CentreOnScreen();
  bool ShortcutKey(WORD key);

  PopupMenu* popup_ = nullptr;
  bool centred_ = false;
  HWND centreNear_ = nullptr;
  bool loading_ = false;
  bool closing_ = false;
  bool destroyPosted_ = false;
};

// The keys held now, for events that do not carry them.
ShiftState KeyboardShiftState();
