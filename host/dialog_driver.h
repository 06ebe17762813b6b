// Works the next modal window that the calling thread opens, as an author would: types into its
// fields, presses keys, clicks its buttons, closes it, pictures it or describes it. Scripts and
// tests use it to get through calls that block until a dialog is closed.
//
// The steps play from a thread timer, so they run inside whatever message loop the blocked call
// runs: one step every 50 ms, the first 50 ms after the window shows. A window still open some
// time after the last step is sent WM_CLOSE, so that no call waits on a dialog for ever.
//
// The header has no Windows API: the script reader, built natively too, parses into DialogStep.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct DialogStep {
  enum class Kind { Type, Press, Click, Close, Screenshot, Show };
  enum class Key { Enter, Escape, Space, Tab, ShiftTab, Alt };
  enum class Button { Ok, Cancel, Picker };

  // Sets field 1 or 2 (controls 101 and 102) as if typed over its whole text.
  static DialogStep Type(int field, std::string text) { return {Kind::Type, field, {}, {}, std::move(text)}; }
  // A key pressed and released on the keyboard, for the focused control.
  static DialogStep Press(Key key) { return {Kind::Press, 0, key, {}, {}}; }
  // Alt held down while a letter (one Windows-1251 character) is typed: a label's Alt key.
  static DialogStep PressAlt(std::string letter) { return {Kind::Press, 0, Key::Alt, {}, std::move(letter)}; }
  static DialogStep Click(Button button) { return {Kind::Click, 0, {}, button, {}}; }
  // The close box of the caption bar.
  static DialogStep Close() { return {Kind::Close, 0, {}, {}, {}}; }
  // The window's area of the screen, as a PNG file.
  static DialogStep Screenshot(std::string file) { return {Kind::Screenshot, 0, {}, {}, std::move(file)}; }
  // Reports the caption, the client size, the window's place and size on the screen, its owner
  // and whether that is enabled, and every control with its font.
  static DialogStep Show() { return {Kind::Show, 0, {}, {}, {}}; }

  bool operator==(const DialogStep&) const = default;

  Kind kind = Kind::Show;
  int field = 0;               // Type
  Key key = Key::Enter;        // Press
  Button button = Button::Ok;  // Click
  std::string text;            // Type: the text; Screenshot: the file; Press Alt: the letter. Windows-1251.
};

// How scripts and reports name the steps, keys and buttons, in the order of their enums.
inline constexpr std::string_view kDialogStepWords[] = {"type", "press", "click", "close", "screenshot", "show"};
inline constexpr std::string_view kDialogKeyWords[] = {"enter", "escape", "space", "tab", "shift_tab", "alt"};
inline constexpr std::string_view kDialogButtonWords[] = {"ok", "cancel", "picker"};

class DialogDriver {
public:
  static constexpr int kDefaultGraceMilliseconds = 2000;

  // Starts watching the calling thread for a new visible top-level window; windows already
  // visible are never driven. The thread must then run a message loop (the blocking call does).
  explicit DialogDriver(std::vector<DialogStep> steps, int graceMilliseconds = kDefaultGraceMilliseconds);
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  // Stops, and says in UTF-8 what happened, in order: each step as a script writes it, after
  // "played ", "failed " (with the reason after ": ") or "not played " (the same); what `show`
  // and `screenshot` found; and each window sent WM_CLOSE for outstaying the grace period.
  std::vector<std::string> Finish();

private:
  struct State;
  std::unique_ptr<State> state_;
};
