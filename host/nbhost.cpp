// nbhost.exe [--plugin PATH] [--compositor PATH] SCRIPT
//
// Plays a publication script (host/script.h) against the plug-in and prints a trace: each command
// as written, then what the plug-in did during it (InterfaceAccess commands, variable writes,
// contract violations the host noticed) and what it returned. The dialog steps played during an
// `edit` or `about` come first, as the dialog driver reports them (host/dialog_driver.h).
// Exit code: 0 clean, 1 a run-time error or any violation, 2 a bad command line or script.
//
// --compositor loads that library before the plug-in, in place of the system's compositor: the
// plug-in asks for "dwmapi.dll" by name, and a module of that name already loaded is the one it
// gets. So the stand-in compositor (host/stand_in_compositor.h) puts the lens in thumbnail mode.
#include "framework/encoding.h"
#include "host/dialog_closer.h"
#include "host/dialog_driver.h"
#include "host/key_input.h"
#include "host/plugin_host.h"
#include "host/publication.h"
#include "host/screenshot.h"
#include "host/script.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iterator>
#include <memory>
#include <utility>

namespace {

constexpr int kExitFailed = 1, kExitUsage = 2;

// Flushed per line so that the trace interleaves with whatever else writes to the console.
void Say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

void Complain(const std::string& line) {
  std::fflush(stdout);
  std::fputs((line + "\n").c_str(), stderr);
  std::fflush(stderr);
}

// A host text for the trace: UTF-8, in the script's own quoting ("" for a quote character).
std::string Quote(const std::string& cp1251) {
  std::string out = "\"";
  for (char c : Cp1251ToUtf8(cp1251)) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string Show(const HostText& text) { return text ? Quote(*text) : "<null>"; }

std::string Codes(const std::vector<std::uint8_t>& codes) {
  std::string out;
  for (std::uint8_t code : codes) (out += ' ') += std::to_string(code);
  return out.empty() ? out : out.substr(1);
}

COLORREF ToColorRef(std::uint32_t rgb) { return RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF); }

// One press of a script's key (kScriptKeys), with Ctrl or Shift held when asked (1, 2); then the
// messages run.
void PressScriptKey(int key, int held) {
  constexpr WORD kKeys[] = {VK_LEFT,      VK_RIGHT, VK_UP,   VK_DOWN, VK_HOME,  VK_OEM_PLUS,
                            VK_OEM_MINUS, VK_PRIOR, VK_NEXT, VK_APPS, VK_ESCAPE};
  static_assert(std::size(kKeys) == std::size(kScriptKeys));
  PressKey(kKeys[key], held == 1 ? VK_CONTROL : held == 2 ? VK_SHIFT : 0);
  Publication::Pump(30);
}

class Player {
public:
  Player(PluginHost& host, std::string file) : host_(host), file_(std::move(file)) {}

  // Runs one command and prints what happened; a run-time error stops the script. Commands of an
  // included script show its name before their line number.
  void Play(const Command& c) {
    Say((c.file == file_ ? "" : c.file + ":") + std::to_string(c.line) + "> " + c.source);
    try {
      Run(c);
    } catch (const ScriptError&) {
      throw;
    } catch (const std::exception& e) {
      throw ErrorAt(c.file, c.line, e.what());
    }
    Flush();
  }

private:
  void Run(const Command& c) {
    switch (c.verb) {
      case Verb::Page:
        page_ = std::make_unique<Publication>(c.texts[0], c.numbers[0], c.numbers[1]);
        host_.publication = page_.get();
        break;
      case Verb::Rectangle:
        page_->AddRectangle(c.texts[0], c.numbers[0], c.numbers[1], c.numbers[2], c.numbers[3], ToColorRef(c.colour));
        break;
      case Verb::Text: page_->AddText(c.numbers[0], c.numbers[1], c.texts[0], ToColorRef(c.colour)); break;
      case Verb::Picture: page_->AddPicture(c.numbers[0], c.numbers[1], c.numbers[2], c.numbers[3]); break;
      case Verb::Lines:
        page_->AddLines(c.numbers[0], c.numbers[1], c.numbers[2], c.numbers[3], ToColorRef(c.colour));
        break;
      case Verb::Init: {
        const InitStrings s = host_.InitPlugIn();
        Flush();
        Say("    title: " + Show(s.title));
        Say("    author: " + Show(s.author));
        Say("    description: " + Show(s.description));
        break;
      }
      case Verb::Register:
        host_.RegisterPlugIn();
        Flush();
        for (const CatalogueEntry& e : host_.catalogue())
          Say("    action " + std::to_string(e.id) + " " + Quote(e.name) + " hint " + Quote(e.hint) + " codes " +
              Codes(e.codes) + " last " + std::to_string(e.lastIndex) + " count " + std::to_string(e.count));
        break;
      case Verb::Interface: host_.RegisterInterfaceAccess(c.on); break;
      case Verb::Probe: host_.probeAnswers = c.on; break;
      case Verb::Pick: host_.pickAnswer = c.texts.empty() ? std::nullopt : HostText(c.texts[0]); break;
      case Verb::Lookup: host_.lookupOverride = c.texts.empty() ? std::nullopt : HostText(c.texts[0]); break;
      case Verb::Action: {
        const bool ok = host_.ExecAction(ActionFor(c), {c.texts.begin(), c.texts.end()});
        Flush();
        Say(std::string("    result: ") + (ok ? "true" : "false"));
        break;
      }
      case Verb::Edit: {
        const std::int32_t id = ActionFor(c);
        std::vector<HostText> slots(c.texts.begin(), c.texts.end());
        // With no steps the driver still closes the dialog in time, and the trace stays as it
        // was before dialogs could be scripted.
        const bool scripted = !steps_.empty();
        DialogDriver driver(TakeSteps());
        const bool ok = host_.EditAction(id, slots);
        const std::vector<std::string> played = driver.Finish();
        if (scripted) Report(played);
        Flush();
        Say(std::string("    result: ") + (ok ? "true" : "false"));
        for (std::size_t k = 0; k < slots.size(); ++k) Say("    slot " + std::to_string(k) + ": " + Show(slots[k]));
        break;
      }
      case Verb::Wait: Publication::Pump(c.numbers[0]); break;
      case Verb::Print: PrintVariable(c.texts[0]); break;
      case Verb::Variables:
        Flush();
        if (host_.variables().empty()) Say("    (no variables)");
        for (const auto& [name, value] : host_.variables()) PrintVariable(name);
        break;
      case Verb::Message: host_.Message(static_cast<std::uint32_t>(c.numbers[0])); break;
      case Verb::Send: {
        const int sent = host_.SendPanelMessage(c.texts[0], c.numbers[0]);
        Flush();
        Say("    sent to " + std::to_string(sent) + " window(s)");
        break;
      }
      case Verb::About: {
        if (!steps_.empty()) {
          DialogDriver driver(TakeSteps());
          host_.About();
          Report(driver.Finish());
          Flush();
          break;
        }
        DialogCloser closer(c.numbers[0]);
        host_.About();
        Flush();
        if (closer.closed()) Say("    closed " + std::to_string(closer.closed()) + " window(s)");
        break;
      }
      case Verb::Dialog: steps_.push_back(c.step); break;
      case Verb::Screenshot: {
        const SIZE size = SaveScreenshot(c.texts[0]);
        Say("    saved " + std::to_string(size.cx) + "x" + std::to_string(size.cy));
        break;
      }
      case Verb::Include:
        break;  // replaced by the included commands when the script was read
      case Verb::Key:
        for (int i = 0; i < c.numbers[2]; ++i) PressScriptKey(c.numbers[0], c.numbers[1]);
        break;
    }
  }

  // The host knows an action only through the catalogue the plug-in registered; its parameter
  // count also sizes the block the plug-in will read.
  std::int32_t ActionFor(const Command& c) const {
    const CatalogueEntry* row = host_.FindAction(c.action);
    if (!row)
      throw ErrorAt(c.file, c.line,
                    "no action '" + c.action + "' is registered" + (host_.catalogue().empty() ? " (no 'register' yet)" : ""));
    if (static_cast<std::size_t>(row->count) != c.texts.size())
      throw ErrorAt(c.file, c.line, "'" + c.action + "' takes " + std::to_string(row->count) + " parameter(s), " +
                                       std::to_string(c.texts.size()) + " given");
    return row->id;
  }

  // The dialog steps queued so far, for the call about to open a dialog.
  std::vector<DialogStep> TakeSteps() { return std::exchange(steps_, {}); }

  static void Report(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) Say("    " + line);
  }

  void PrintVariable(const std::string& name) const {
    const auto value = host_.Variable(name);
    Say("    " + Cp1251ToUtf8(name) + (value ? " = " + Quote(*value) : " was never set"));
  }

  // Prints what the host recorded since the last flush.
  void Flush() {
    const auto& commands = host_.interfaceCommands();
    if (commandsSeen_ < commands.size()) {
      std::string line = "    InterfaceAccess";
      for (; commandsSeen_ < commands.size(); ++commandsSeen_) (line += ' ') += std::to_string(commands[commandsSeen_]);
      Say(line);
    }
    for (const auto& writes = host_.writes(); writesSeen_ < writes.size(); ++writesSeen_) {
      const VariableWrite& w = writes[writesSeen_];
      Say("    set " + Cp1251ToUtf8(w.name) + " := " + Show(w.value));
    }
    for (const auto& violations = host_.violations(); violationsSeen_ < violations.size(); ++violationsSeen_)
      Say("    VIOLATION: " + violations[violationsSeen_]);
  }

  PluginHost& host_;
  const std::string file_;
  std::unique_ptr<Publication> page_;
  std::vector<DialogStep> steps_;
  std::size_t commandsSeen_ = 0, writesSeen_ = 0, violationsSeen_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  // Plain "\n" line ends and UTF-8, whether the trace goes to a pipe or a console.
  _setmode(_fileno(stdout), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);

  std::string plugin, compositor, scriptPath;
  bool usable = true;
  for (int i = 1; i < argc && usable; ++i) {
    const std::string arg = argv[i];
    if (arg == "--plugin" && i + 1 < argc) plugin = argv[++i];
    else if (arg == "--compositor" && i + 1 < argc) compositor = argv[++i];
    else if (scriptPath.empty() && arg.rfind("--", 0) != 0) scriptPath = arg;
    else usable = false;
  }
  if (!usable || scriptPath.empty()) {
    Complain("usage: nbhost [--plugin PATH] [--compositor PATH] SCRIPT");
    return kExitUsage;
  }
  if (plugin.empty()) plugin = BesideExecutable("Vitrelle.nbp");

  std::vector<Command> script;
  try {
    script = LoadScript(scriptPath);
  } catch (const ScriptError& e) {
    Complain(e.what());
    return kExitUsage;
  }

  // Kept for the whole run; the process's end gives it back.
  if (!compositor.empty() && LoadLibraryA(compositor.c_str()) == nullptr) {
    Complain("cannot load compositor " + compositor + " (error " + std::to_string(GetLastError()) + ")");
    return kExitFailed;
  }

  try {
    PluginHost host(plugin);
    Player player(host, scriptPath);
    for (const Command& c : script) player.Play(c);
    if (const std::size_t n = host.violations().size()) {
      Complain(std::to_string(n) + " contract violation(s)");
      return kExitFailed;
    }
  } catch (const std::exception& e) {
    Complain(e.what());
    return kExitFailed;
  }
  return 0;
}
