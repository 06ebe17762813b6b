// Form: a top-level or child window with showing, closing and a pop-up menu (its shortcuts and
// the context menu). A form closed with CloseAction::Free is hidden at once and its window is
// destroyed once the messages already queued for it have run, so a handler may close its own
// form; its owner deletes the object on the window's final message (Window::FinalMessage).
#pragma once

#include "framework/window.h"

class PopupMenu;

enum class MouseButton { Left, Right, Middle };

// Keys and buttons held during an input event; kDouble marks the second press of a double-click.
using ShiftState = unsigned;
enum : ShiftState { kShift = 1, kAlt = 2, kCtrl = 4, kLeftButton = 8, kRightButton = 16, kMiddleButton = 32,
                    kDouble = 64 };

class Form : public Window {
public:
  enum class CloseAction { None, Hide, Free };

  // Shows and activates the window; a form with default placement is centred first, on the
  // monitor of the window given to CentreNear (the main monitor without one). FormShow runs after
  // the window has become visible.
  void Show();
  void CentreNear(HWND window) { centreNear_ = window; }
  void Hide();
  // Asks the form to close: FormClose decides what happens (Hide unless it says otherwise).
  void Close();
  // Destroys the form's window after the messages already queued for it.
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
  Form() = default;
  // Creation runs with Loading() true: handlers that must not act on a half-made form check it.
  void CreateForm(const wchar_t* className, const CreateParams& params);
  void SetDefaultPlacement(bool centred) { centred_ = centred; }
  // Derived forms destroy their window in their own destructor, while their handlers still exist.
  void DestroyForm() {
    MarkGoing();
    DestroyHandle();
  }

  virtual void FormShow() {}
  virtual void FormClose(CloseAction& action) { (void)action; }
  // Where the pop-up menu opens when the keyboard asks for it (the menu key, Shift+F10), in
  // client coordinates: the top-left corner unless a form says otherwise.
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
// The keys and buttons held during a mouse message, from its wParam.
ShiftState MouseShiftState(WPARAM keys);
