#include "dialog_driver.h"

#include "framework/encoding.h"
#include "framework/errors.h"
#include "screenshot.h"

#include <windows.h>

#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <tuple>
#include <type_traits>
#include <utility>

namespace {

constexpr UINT kTickMilliseconds = 50;
constexpr DWORD kResendMilliseconds = 500;  // a window that ignored WM_CLOSE is asked again
constexpr int kFieldIds[] = {101, 102};
constexpr int kButtonIds[] = {IDOK, IDCANCEL, 103};  // in DialogStep::Button order
constexpr WORD kKeys[] = {VK_RETURN, VK_ESCAPE, VK_SPACE, VK_TAB, VK_TAB};  // in DialogStep::Key order, but Alt

template <typename Enum>
std::string_view WordFor(const std::string_view* words, Enum value) {
  return words[static_cast<std::underlying_type_t<Enum>>(value)];
}

std::wstring TextOf(HWND window) {
  std::wstring text(std::size_t(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(std::size_t(GetWindowTextW(window, text.data(), int(text.size()))));
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

// The key that types this character on the keyboard layout in use, and whether with Shift; 0
// for none.
std::pair<WORD, bool> KeyTyping(wchar_t c) {
  const SHORT scan = VkKeyScanW(c);
  if (scan != -1 && (HIBYTE(scan) & ~1) == 0) return {LOBYTE(scan), HIBYTE(scan) == 1};
  // Some systems look up only the ANSI code page's characters: ask each key what it types.
  BYTE state[256] = {};
  for (const bool shift : {false, true}) {
    state[VK_SHIFT] = shift ? 0x80 : 0;
    for (UINT vk = '0'; vk < 0xFF; ++vk) {
      wchar_t typed[4] = {};
      if (ToUnicode(vk, MapVirtualKeyW(vk, MAPVK_VK_TO_VSC), state, typed, 4, 0) == 1 && typed[0] == c)
        return {WORD(vk), shift};
    }
  }
  return {0, false};
}

// A control the author could use: present, visible and enabled.
HWND UsableControl(HWND dialog, int id, std::string& note) {
  const HWND control = GetDlgItem(dialog, id);
  const std::string name = "control " + std::to_string(id);
  if (!control) note = "no " + name;
  else if (!IsWindowVisible(control)) note = name + " is hidden";
  else if (!IsWindowEnabled(control)) note = name + " is disabled";
  else return control;
  return nullptr;
}

// A text in a script's quoting ("" for a quote); line breaks written as \n so that a report
// stays one line per item.
std::string Quote(const std::string& utf8) {
  std::string out = "\"";
  for (std::size_t k = 0; k < utf8.size(); ++k) {
    const char c = utf8[k];
    if (c == '"') out += "\"\"";
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else if (c != '\r') out += c;
  }
  return out + "\"";
}

// The step as a script writes it.
std::string Describe(const DialogStep& step) {
  std::string out(WordFor(kDialogStepWords, step.kind));
  switch (step.kind) {
    case DialogStep::Kind::Type: return out + " " + std::to_string(step.field) + " " + Quote(Cp1251ToUtf8(step.text));
    case DialogStep::Kind::Press:
      out.append(" ").append(WordFor(kDialogKeyWords, step.key));
      return step.key == DialogStep::Key::Alt ? out + " " + Quote(Cp1251ToUtf8(step.text)) : out;
    case DialogStep::Kind::Click: return out.append(" ").append(WordFor(kDialogButtonWords, step.button));
    case DialogStep::Kind::Screenshot: return out + " " + Quote(Cp1251ToUtf8(step.text));
    case DialogStep::Kind::Close:
    case DialogStep::Kind::Show: break;
  }
  return out;
}

std::string Size(LONG width, LONG height) { return std::to_string(width) + "x" + std::to_string(height); }
std::string Point(LONG x, LONG y) { return std::to_string(x) + "," + std::to_string(y); }

// The font a control was given, as " font FACE HEIGHT [bold]"; empty for the system's font.
std::string FontOf(HWND control) {
  const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  LOGFONTW lf = {};
  if (!font || GetObjectW(font, sizeof lf, &lf) != sizeof lf) return {};
  // A negative height is the character height, a positive one the cell's.
  std::string out = " font " + Quote(WideToUtf8(lf.lfFaceName)) + " " +
                    (lf.lfHeight < 0 ? std::to_string(-lf.lfHeight) : "cell " + std::to_string(lf.lfHeight));
  return lf.lfWeight >= FW_BOLD ? out + " bold" : out;
}

BOOL CALLBACK AddVisible(HWND window, LPARAM windows) {
  if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

// The thread's visible top-level windows, topmost first.
std::vector<HWND> VisibleWindows(DWORD thread) {
  std::vector<HWND> windows;
  EnumThreadWindows(thread, &AddVisible, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

}  // namespace

struct DialogDriver::State {
  State(std::vector<DialogStep> steps, int graceMilliseconds);
  ~State() { Stop(); }

  void Stop();
  void Tick();
  HWND FindNewWindow() const;
  bool DialogOpen() const { return IsWindow(dialog) && IsWindowVisible(dialog); }
  // Plays one step; true when it could be done. Problems go to `note`, extra lines to `details`.
  bool Play(const DialogStep& step, std::string& note, std::vector<std::string>& details);
  bool TypeInto(const DialogStep& step, std::string& note);
  bool PressKey(const DialogStep& step, std::string& note);
  bool ClickButton(DialogStep::Button button, std::string& note);
  void ShowWindowAndControls(std::vector<std::string>& details) const;
  void ShowControls(HWND parent, const std::string& indent, std::vector<std::string>& details) const;
  // Asks the window that now runs the modal loop (the dialog, or one opened over it) to close.
  void CloseLeftover(DWORD now);

  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD);
  // Which state each of this thread's timers serves.
  static thread_local std::map<UINT_PTR, State*> timers;

  const std::vector<DialogStep> steps;
  const DWORD grace;
  const DWORD thread = GetCurrentThreadId();
  std::set<HWND> before;  // visible when the driver started: never driven nor closed
  UINT_PTR timer = 0;
  HWND dialog = nullptr;
  std::size_t next = 0;
  bool busy = false;      // a step is being played (and may run a loop of its own)
  DWORD lastAction = 0;   // when the window showed, or the last step started or ended
  DWORD lastClose = 0;
  std::set<HWND> closeSent;
  std::vector<std::string> report;
};

thread_local std::map<UINT_PTR, DialogDriver::State*> DialogDriver::State::timers;

DialogDriver::State::State(std::vector<DialogStep> s, int graceMilliseconds)
    : steps(std::move(s)), grace(DWORD(graceMilliseconds > 0 ? graceMilliseconds : 0)) {
  for (HWND window : VisibleWindows(thread)) before.insert(window);
  timer = SetTimer(nullptr, 0, kTickMilliseconds, &OnTimer);
  if (!timer) throw Error("cannot start the dialog driver's timer");
  timers[timer] = this;
}

void DialogDriver::State::Stop() {
  if (!timer) return;
  KillTimer(nullptr, timer);
  timers.erase(timer);
  timer = 0;
}

void CALLBACK DialogDriver::State::OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  const auto found = timers.find(id);
  if (found == timers.end()) return;
  try {
    found->second->Tick();
  } catch (...) {
    // Nothing may unwind through the window manager's frames; the report shows what was done.
  }
}

HWND DialogDriver::State::FindNewWindow() const {
  HWND found = nullptr;
  for (HWND window : VisibleWindows(thread)) {
    if (before.count(window)) continue;
    if (IsWindowEnabled(window)) return window;  // a modal window is the one left enabled
    if (!found) found = window;
  }
  return found;
}

void DialogDriver::State::Tick() {
  const DWORD now = GetTickCount();
  if (!dialog) {
    dialog = FindNewWindow();
    lastAction = now;
    return;
  }
  if (!DialogOpen()) {
    Stop();
    return;
  }
  if (!busy && next < steps.size()) {
    if (now - lastAction < kTickMilliseconds / 2) return;  // ticks that bunched up after a long step
    const DialogStep& step = steps[next++];
    busy = true;
    lastAction = now;
    std::string note;
    std::vector<std::string> details;
    bool ok = false;
    try {
      ok = Play(step, note, details);
    } catch (const std::exception& e) {
      note = e.what();
    }
    busy = false;
    lastAction = GetTickCount();
    report.push_back((ok ? "played " : "failed ") + Describe(step) + (note.empty() ? "" : ": " + note));
    report.insert(report.end(), details.begin(), details.end());
    return;
  }
  if (now - lastAction >= grace && now - lastClose >= kResendMilliseconds) CloseLeftover(now);
}

bool DialogDriver::State::Play(const DialogStep& step, std::string& note, std::vector<std::string>& details) {
  switch (step.kind) {
    case DialogStep::Kind::Type: return TypeInto(step, note);
    case DialogStep::Kind::Press: return PressKey(step, note);
    case DialogStep::Kind::Click: return ClickButton(step.button, note);
    case DialogStep::Kind::Close:
      if (!(GetWindowLongW(dialog, GWL_STYLE) & WS_SYSMENU)) {
        note = "the window has no close box";
        return false;
      }
      PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
      return true;
    case DialogStep::Kind::Screenshot: {
      RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
      RECT area = {};
      GetWindowRect(dialog, &area);
      const SIZE size = SaveScreenshot(step.text, area);
      note = Size(size.cx, size.cy);
      return true;
    }
    case DialogStep::Kind::Show: ShowWindowAndControls(details); return true;
  }
  return false;
}

bool DialogDriver::State::TypeInto(const DialogStep& step, std::string& note) {
  if (step.field < 1 || step.field > 2) {
    note = "a dialog has fields 1 and 2";
    return false;
  }
  const HWND field = UsableControl(dialog, kFieldIds[step.field - 1], note);
  if (!field) return false;
  if (GetWindowLongW(field, GWL_STYLE) & ES_READONLY) {
    note = "control " + std::to_string(kFieldIds[step.field - 1]) + " is read-only";
    return false;
  }
  const std::wstring text = Cp1251ToWide(step.text);
  SetFocus(field);
  SendMessageW(field, EM_SETSEL, 0, -1);
  SendMessageW(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  const std::wstring now = TextOf(field);
  if (now == text) return true;
  note = "reads back " + Quote(WideToUtf8(now));
  return false;
}

bool DialogDriver::State::PressKey(const DialogStep& step, std::string& note) {
  // Keyboard input goes to the foreground window's focus: it has to be the dialog.
  if (GetForegroundWindow() != dialog) SetForegroundWindow(dialog);
  if (GetForegroundWindow() != dialog) {
    note = "the window is not in the foreground";
    return false;
  }
  auto key = [](WORD vk, bool up) {
    INPUT i = {};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = vk;
    i.ki.wScan = WORD(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return i;
  };
  std::vector<WORD> modifiers;
  WORD vk = 0;
  if (step.key == DialogStep::Key::Alt) {
    const std::wstring letter = Cp1251ToWide(step.text);
    if (letter.size() != 1) {
      note = "alt takes one letter";
      return false;
    }
    bool shift = false;
    std::tie(vk, shift) = KeyTyping(letter[0]);
    modifiers.push_back(VK_MENU);
    if (shift) modifiers.push_back(VK_SHIFT);
    if (vk == 0) {
      note = "no key of this keyboard layout types " + Quote(WideToUtf8(letter));
      return false;
    }
  } else {
    if (step.key == DialogStep::Key::ShiftTab) modifiers.push_back(VK_SHIFT);
    vk = kKeys[static_cast<int>(step.key)];
  }
  std::vector<INPUT> input;
  for (WORD m : modifiers) input.push_back(key(m, false));
  input.push_back(key(vk, false));
  input.push_back(key(vk, true));
  for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m) input.push_back(key(*m, true));
  if (SendInput(UINT(input.size()), input.data(), sizeof(INPUT)) != input.size()) {
    note = "the key was not taken";
    return false;
  }
  return true;
}

bool DialogDriver::State::ClickButton(DialogStep::Button button, std::string& note) {
  const HWND control = UsableControl(dialog, kButtonIds[static_cast<int>(button)], note);
  if (!control) return false;
  // A button of an inactive dialog may ignore BM_CLICK.
  if (GetActiveWindow() != dialog) SetActiveWindow(dialog);
  SendMessageW(control, BM_CLICK, 0, 0);
  return true;
}

void DialogDriver::State::ShowWindowAndControls(std::vector<std::string>& details) const {
  RECT client = {}, outer = {};
  GetClientRect(dialog, &client);
  GetWindowRect(dialog, &outer);
  const HWND owner = GetWindow(dialog, GW_OWNER);
  const std::string ownedBy =
      owner ? Quote(WideToUtf8(TextOf(owner))) + (IsWindowEnabled(owner) ? " enabled" : " disabled") : "none";
  details.push_back("  window " + Quote(WideToUtf8(TextOf(dialog))) + " client " + Size(client.right, client.bottom) +
                    " at " + Point(outer.left, outer.top) + " " + Size(outer.right - outer.left, outer.bottom - outer.top) +
                    " owner " + ownedBy);
  ShowControls(dialog, "  ", details);
}

// Children in z-order (a dialog's tab order), with their own children beneath them.
void DialogDriver::State::ShowControls(HWND parent, const std::string& indent,
                                       std::vector<std::string>& details) const {
  const HWND focus = GetFocus();
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    RECT r = {};
    GetWindowRect(c, &r);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
    const std::wstring className = ClassOf(c);
    const LONG style = GetWindowLongW(c, GWL_STYLE);
    std::string line = indent + "control " + std::to_string(GetDlgCtrlID(c)) + " " + WideToUtf8(className) + " " +
                       Quote(WideToUtf8(TextOf(c))) + " " + Point(r.left, r.top) + " " +
                       Size(r.right - r.left, r.bottom - r.top) + FontOf(c);
    if (c == focus) line += " focused";
    if (lstrcmpiW(className.c_str(), L"Button") == 0 && (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
      line += " default";
    if (!(style & WS_VISIBLE)) line += " hidden";
    if (style & WS_DISABLED) line += " disabled";
    details.push_back(line);
    ShowControls(c, indent + "  ", details);
  }
}

void DialogDriver::State::CloseLeftover(DWORD now) {
  lastClose = now;
  HWND target = nullptr;
  for (HWND window : VisibleWindows(thread)) {
    if (before.count(window) || !IsWindowEnabled(window) || !(GetWindowLongW(window, GWL_STYLE) & WS_CAPTION)) continue;
    target = window;
    break;
  }
  if (!target) target = dialog;
  PostMessageW(target, WM_CLOSE, 0, 0);
  if (closeSent.insert(target).second)
    report.push_back("sent WM_CLOSE to " + Quote(WideToUtf8(TextOf(target))) + ": open " + std::to_string(grace) +
                     (busy ? " ms into a step" : " ms after the last step"));
}

DialogDriver::DialogDriver(std::vector<DialogStep> steps, int graceMilliseconds)
    : state_(std::make_unique<State>(std::move(steps), graceMilliseconds)) {}

DialogDriver::~DialogDriver() = default;

std::vector<std::string> DialogDriver::Finish() {
  State& s = *state_;
  s.Stop();
  const char* why = !s.dialog         ? "no dialog opened"
                    : s.DialogOpen() ? "the call returned first"
                                     : "the dialog had closed";
  for (; s.next < s.steps.size(); ++s.next) s.report.push_back("not played " + Describe(s.steps[s.next]) + ": " + why);
  return s.report;
}
