// The stand-in host's publication script: a UTF-8 text file, one command per line.
//
//   # a comment line (the first non-blank character is '#'); blank lines are ignored
//   page "Title" WIDTH HEIGHT                    the page window; comes before any object or text
//   rectangle "Name" X Y WIDTH HEIGHT [#RRGGBB]  a Rectangle object (default colour #C0C0C0)
//   text X Y "text" [#RRGGBB]                    a line painted on the page (default #000000)
//   picture X Y WIDTH HEIGHT                     a photo-like landscape painted on the page: a sky
//                                                gradient, a sun with its glow, three ranges of hills
//   lines X Y WIDTH HEIGHT [#RRGGBB]             a block of one-pixel lines painted on the page
//                                                (default #000000): a frame around three strips,
//                                                lines 1 to 4 pixels apart, a 4-pixel grid, hatching
//   init | register                              nbInitPlugIn | nbRegisterPlugIn
//   interface on|off                             nbRegisterInterfaceAccess with the routine or null
//   probe on|off                                 whether the host answers command 6
//   pick "Name" | pick refuse                    the answer to command 8
//   lookup "text" | lookup objects               command 7: a fixed answer, or the object's window
//   ACTION "param" ...                           nbExecAction of the action registered as ACTION
//   edit ACTION "param" ...                      nbEditAction with these texts in the slots
//   dialog STEP                                  a step for the dialog that the next 'edit' or
//                                                'about' opens, played there 50 ms after the one
//                                                before: type 1|2 "text", press enter|escape|space|tab|
//                                                shift_tab, press alt "letter", click ok|cancel|picker,
//                                                close, screenshot "file.png",
//                                                show (what the dialog holds, into the trace). A
//                                                dialog still open 2 s after its last step is closed
//                                                (as is one opened by an 'edit' with no steps).
//   about [CLOSE_AFTER_MS]                       nbAbout; with no dialog steps queued its box is
//                                                closed after the delay (default 1000)
//   wait MS | message CODE | send "Object" LPARAM
//   key [ctrl|shift] KEY [TIMES]                 a key pressed (TIMES times, 1 by default) as a
//                                                user presses it, on whatever has the focus; KEY is
//                                                one of kScriptKeys
//   print "[Var]" | variables | screenshot "file.png"
//   include "other.pub"                          the commands of another script, played here (its
//                                                path taken from this script's folder)
//
// The page paints its pictures first, then the lines, then the texts, each kind in script order;
// Rectangle objects are windows and lie above all of it.
//
// Tokens are separated by blanks (spaces or tabs): bare words (letters, digits, '_'), whole
// numbers (optional '-', decimal, 32-bit), colours (#RRGGBB) and double-quoted strings, in which
// "" stands for one literal ". Strings must hold only characters of Windows-1251, the host's code
// page; a Command carries them already converted.
#pragma once

#include "framework/errors.h"
#include "host/dialog_driver.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class Verb {
  Page, Rectangle, Text, Picture, Lines, Init, Register, Interface, Probe, Pick, Lookup,
  Action, Edit, Wait, Print, Variables, Message, Send, About, Screenshot, Include, Dialog, Key,
};

// The keys a script can press; a Key command carries the key's position here, then the held
// key's (0 none, 1 Ctrl, 2 Shift), then the count.
inline constexpr std::string_view kScriptKeys[] = {"left", "right", "up", "down", "home", "plus",
                                                   "minus", "pageup", "pagedown", "menu", "escape"};

struct Command {
  Verb verb{};
  std::string file;                   // the script it comes from (an included one, perhaps)
  int line = 0;
  std::string source;                 // the line as written, for the trace
  std::string action;                 // Action, Edit: the action's registered name
  std::vector<std::string> texts;     // quoted arguments in order, Windows-1251 bytes
  std::vector<std::int32_t> numbers;  // whole-number arguments in order (About: its delay)
  std::uint32_t colour = 0;           // Rectangle, Text, Lines: 0xRRGGBB
  bool on = false;                    // Interface, Probe
  DialogStep step;                    // Dialog
  // Pick without a text refuses; Lookup without a text finds objects again.
};

// A script that cannot be parsed or played; the message starts with "file:line: ".
class ScriptError : public Error {
public:
  using Error::Error;
};

// Parses a whole script, with the scripts it includes; `file` names it in messages and is where
// included paths start from. Throws ScriptError at the first bad line, or at the first of the
// dialog steps that no 'edit' or 'about' follows.
std::vector<Command> ParseScript(std::string_view text, const std::string& file);

// Reads and parses a script file.
std::vector<Command> LoadScript(const std::string& path);

// Builds the message of an error found while playing a command.
ScriptError ErrorAt(const std::string& file, int line, const std::string& message);
