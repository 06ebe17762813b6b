#include "script.h"

#include "framework/encoding.h"

#include <charconv>
#include <fstream>
#include <iterator>

namespace {

struct Token {
  enum Kind { Word, Number, Colour, String } kind;
  std::string text;         // Word: as written; String: Windows-1251 content
  std::int32_t number = 0;  // Number
  std::uint32_t colour = 0; // Colour: 0xRRGGBB
};

struct Syntax {
  std::string_view word;
  Verb verb;
  std::string_view usage;
};

constexpr Syntax kSyntax[] = {
    {"page", Verb::Page, "page \"TITLE\" WIDTH HEIGHT"},
    {"rectangle", Verb::Rectangle, "rectangle \"NAME\" X Y WIDTH HEIGHT [#RRGGBB]"},
    {"text", Verb::Text, "text X Y \"TEXT\" [#RRGGBB]"},
    {"picture", Verb::Picture, "picture X Y WIDTH HEIGHT"},
    {"lines", Verb::Lines, "lines X Y WIDTH HEIGHT [#RRGGBB]"},
    {"init", Verb::Init, "init"},
    {"register", Verb::Register, "register"},
    {"interface", Verb::Interface, "interface on|off"},
    {"probe", Verb::Probe, "probe on|off"},
    {"pick", Verb::Pick, "pick \"NAME\" | pick refuse"},
    {"lookup", Verb::Lookup, "lookup \"TEXT\" | lookup objects"},
    {"edit", Verb::Edit, "edit ACTION \"PARAM\" ..."},
    {"wait", Verb::Wait, "wait MS"},
    {"print", Verb::Print, "print \"[VARIABLE]\""},
    {"variables", Verb::Variables, "variables"},
    {"message", Verb::Message, "message CODE"},
    {"send", Verb::Send, "send \"OBJECT\" LPARAM"},
    {"about", Verb::About, "about [CLOSE_AFTER_MS]"},
    {"screenshot", Verb::Screenshot, "screenshot \"FILE.png\""},
    {"include", Verb::Include, "include \"FILE.pub\""},
    {"dialog", Verb::Dialog, "dialog type|press|click|close|screenshot|show ..."},
    {"key", Verb::Key, "key [ctrl|shift] left|right|up|down|home|plus|minus|pageup|pagedown|menu|escape [TIMES]"},
};

// Each dialog step's own usage, in DialogStep::Kind order.
constexpr std::string_view kStepUsage[] = {
    "dialog type 1|2 \"TEXT\"",
    "dialog press enter|escape|space|tab|shift_tab|alt \"LETTER\"",
    "dialog click ok|cancel|picker",
    "dialog close",
    "dialog screenshot \"FILE.png\"",
    "dialog show",
};

constexpr std::uint32_t kDefaultRectangleColour = 0xC0C0C0;
constexpr std::uint32_t kDefaultTextColour = 0x000000;
constexpr std::uint32_t kDefaultLinesColour = 0x000000;
constexpr std::int32_t kDefaultAboutClose = 1000;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsWordChar(char c) { return IsWordStart(c) || IsDigit(c); }

int HexDigit(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads a quoted string starting at line[i] == '"'; leaves i after the closing quote.
Token ReadString(std::string_view line, std::size_t& i) {
  std::string utf8;
  for (++i;; ++i) {
    if (i == line.size()) throw ScriptError("unterminated string");
    if (line[i] == '"') {
      if (i + 1 < line.size() && line[i + 1] == '"') {
        utf8.push_back('"');
        ++i;
        continue;
      }
      ++i;
      break;
    }
    utf8.push_back(line[i]);
  }
  if (i < line.size() && !IsBlank(line[i])) throw ScriptError("expected a blank after a closing quote");
  return {Token::String, Utf8ToCp1251(utf8)};  // its Error says what the text lacks
}

Token ClassifyBare(std::string_view word) {
  const std::string quoted = std::string("'").append(word) + "'";
  if (IsDigit(word[0]) || word[0] == '-') {
    Token t{Token::Number, std::string(word)};
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), t.number);
    if (ec != std::errc() || end != word.data() + word.size()) throw ScriptError("bad number " + quoted);
    return t;
  }
  if (word[0] == '#') {
    Token t{Token::Colour, std::string(word)};
    bool ok = word.size() == 7;
    for (std::size_t k = 1; ok && k < word.size(); ++k) {
      const int digit = HexDigit(word[k]);
      ok = digit >= 0;
      t.colour = t.colour << 4 | static_cast<std::uint32_t>(digit);
    }
    if (!ok) throw ScriptError("bad colour " + quoted + " (expected #RRGGBB)");
    return t;
  }
  bool ok = IsWordStart(word[0]);
  for (char c : word) ok = ok && IsWordChar(c);
  if (!ok) throw ScriptError("unexpected " + quoted);
  return {Token::Word, std::string(word)};
}

std::vector<Token> Tokenize(std::string_view line) {
  std::vector<Token> tokens;
  for (std::size_t i = 0; i < line.size();) {
    if (IsBlank(line[i])) {
      ++i;
    } else if (line[i] == '"') {
      tokens.push_back(ReadString(line, i));
    } else {
      const std::size_t start = i;
      while (i < line.size() && !IsBlank(line[i])) ++i;
      tokens.push_back(ClassifyBare(line.substr(start, i - start)));
    }
  }
  return tokens;
}

// Walks a command's arguments; any mismatch is reported with the command's usage.
class Args {
public:
  // The arguments start after the command's word (and after a dialog step's, with first = 2).
  Args(const std::vector<Token>& tokens, std::string_view usage, std::size_t first = 1)
      : tokens_(tokens), usage_(usage), at_(first) {}

  bool Next(Token::Kind kind) const { return at_ < tokens_.size() && tokens_[at_].kind == kind; }
  std::string Text() { return Take(Token::String).text; }
  std::int32_t Number() { return Take(Token::Number).number; }
  std::int32_t Size() {
    const std::int32_t n = Number();
    if (n <= 0) throw ScriptError("sizes must be positive");
    return n;
  }
  std::int32_t Milliseconds() {
    const std::int32_t n = Number();
    if (n < 0) throw ScriptError("a delay cannot be negative");
    return n;
  }
  std::uint32_t Colour(std::uint32_t fallback) { return Next(Token::Colour) ? Take(Token::Colour).colour : fallback; }
  std::string Word() { return Take(Token::Word).text; }
  // Takes the next word when it is this one.
  bool NextWord(std::string_view word) {
    if (!Next(Token::Word) || tokens_[at_].text != word) return false;
    ++at_;
    return true;
  }
  // True for `yes`, false for `no`.
  bool Switch(std::string_view yes, std::string_view no) {
    const std::string word = Word();
    if (word != yes && word != no) Fail();
    return word == yes;
  }
  void Keyword(std::string_view word) {
    if (Word() != word) Fail();
  }
  // The position of the next word among `words`.
  template <std::size_t N>
  int OneOf(const std::string_view (&words)[N]) {
    const std::string word = Word();
    for (std::size_t k = 0; k < N; ++k)
      if (words[k] == word) return static_cast<int>(k);
    Fail();
  }
  void End() {
    if (at_ != tokens_.size()) Fail();
  }
  [[noreturn]] void Fail() const { throw ScriptError("usage: " + std::string(usage_)); }

private:
  const Token& Take(Token::Kind kind) {
    if (!Next(kind)) Fail();
    return tokens_[at_++];
  }

  const std::vector<Token>& tokens_;
  std::string_view usage_;
  std::size_t at_;
};

DialogStep ParseStep(const std::vector<Token>& tokens, std::string_view usage) {
  if (tokens.size() < 2 || tokens[1].kind != Token::Word) throw ScriptError("usage: " + std::string(usage));
  int kind = -1;
  for (std::size_t k = 0; k < std::size(kDialogStepWords); ++k)
    if (kDialogStepWords[k] == tokens[1].text) kind = static_cast<int>(k);
  if (kind < 0) throw ScriptError("unknown dialog step '" + tokens[1].text + "'");

  Args a(tokens, kStepUsage[kind], 2);
  DialogStep step;
  switch (static_cast<DialogStep::Kind>(kind)) {
    case DialogStep::Kind::Type: {
      const std::int32_t field = a.Number();
      if (field != 1 && field != 2) a.Fail();
      step = DialogStep::Type(field, a.Text());
      break;
    }
    case DialogStep::Kind::Press:
      step = DialogStep::Press(static_cast<DialogStep::Key>(a.OneOf(kDialogKeyWords)));
      if (step.key == DialogStep::Key::Alt) {
        step.text = a.Text();
        if (step.text.size() != 1) a.Fail();
      }
      break;
    case DialogStep::Kind::Click:
      step = DialogStep::Click(static_cast<DialogStep::Button>(a.OneOf(kDialogButtonWords)));
      break;
    case DialogStep::Kind::Close: step = DialogStep::Close(); break;
    case DialogStep::Kind::Screenshot: step = DialogStep::Screenshot(a.Text()); break;
    case DialogStep::Kind::Show: step = DialogStep::Show(); break;
  }
  a.End();
  return step;
}

// An unknown word followed by a string calls the plug-in action of that name; any other unknown
// word is a mistyped command, caught here rather than when the catalogue is consulted.
Command ParseAction(const std::vector<Token>& tokens) {
  const std::string& name = tokens[0].text;
  if (tokens.size() < 2 || tokens[1].kind != Token::String) throw ScriptError("unknown command '" + name + "'");
  Command c;
  c.verb = Verb::Action;
  c.action = name;
  for (std::size_t k = 1; k < tokens.size(); ++k) {
    if (tokens[k].kind != Token::String) throw ScriptError("parameters of action '" + name + "' must be quoted strings");
    c.texts.push_back(tokens[k].text);
  }
  return c;
}

Command ParseLine(const std::vector<Token>& tokens, bool& havePage) {
  if (tokens[0].kind != Token::Word) throw ScriptError("a line must start with a command");
  const Syntax* syntax = nullptr;
  for (const Syntax& s : kSyntax)
    if (s.word == tokens[0].text) syntax = &s;
  if (!syntax) return ParseAction(tokens);

  Command c;
  c.verb = syntax->verb;
  if (c.verb == Verb::Dialog) {
    c.step = ParseStep(tokens, syntax->usage);
    return c;
  }
  Args a(tokens, syntax->usage);
  switch (c.verb) {
    case Verb::Page:
      if (havePage) throw ScriptError("a publication has one page");
      havePage = true;
      c.texts = {a.Text()};
      c.numbers = {a.Size(), a.Size()};
      break;
    case Verb::Rectangle:
      if (!havePage) throw ScriptError("'rectangle' needs a page first");
      c.texts = {a.Text()};
      c.numbers = {a.Number(), a.Number(), a.Size(), a.Size()};
      c.colour = a.Colour(kDefaultRectangleColour);
      break;
    case Verb::Text:
      if (!havePage) throw ScriptError("'text' needs a page first");
      c.numbers = {a.Number(), a.Number()};
      c.texts = {a.Text()};
      c.colour = a.Colour(kDefaultTextColour);
      break;
    case Verb::Picture:
    case Verb::Lines:
      if (!havePage) throw ScriptError("'" + std::string(syntax->word) + "' needs a page first");
      c.numbers = {a.Number(), a.Number(), a.Size(), a.Size()};
      if (c.verb == Verb::Lines) c.colour = a.Colour(kDefaultLinesColour);
      break;
    case Verb::Interface:
    case Verb::Probe:
      c.on = a.Switch("on", "off");
      break;
    case Verb::Pick:
      if (a.Next(Token::String)) c.texts = {a.Text()};
      else a.Keyword("refuse");
      break;
    case Verb::Lookup:
      if (a.Next(Token::String)) c.texts = {a.Text()};
      else a.Keyword("objects");
      break;
    case Verb::Edit:
      c.action = a.Word();
      do c.texts.push_back(a.Text());
      while (a.Next(Token::String));
      break;
    case Verb::Wait:
      c.numbers = {a.Milliseconds()};
      break;
    case Verb::Print:
    case Verb::Screenshot:
    case Verb::Include:
      c.texts = {a.Text()};
      break;
    case Verb::Message:
      c.numbers = {a.Number()};
      break;
    case Verb::Send:
      c.texts = {a.Text()};
      c.numbers = {a.Number()};
      break;
    case Verb::Key: {
      const std::int32_t held = a.NextWord("ctrl") ? 1 : a.NextWord("shift") ? 2 : 0;
      const std::int32_t key = a.OneOf(kScriptKeys);
      c.numbers = {key, held, a.Next(Token::Number) ? a.Size() : 1};
      break;
    }
    case Verb::About:
      c.numbers = {a.Next(Token::Number) ? a.Milliseconds() : kDefaultAboutClose};
      break;
    case Verb::Init:
    case Verb::Register:
    case Verb::Variables:
    case Verb::Action:
    case Verb::Dialog:
      break;
  }
  a.End();
  return c;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

}  // namespace

ScriptError ErrorAt(const std::string& file, int line, const std::string& message) {
  return ScriptError(file + ":" + std::to_string(line) + ": " + message);
}

namespace {

constexpr int kMaxIncludeDepth = 8;

std::string ReadScript(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ScriptError("cannot read the script '" + path + "'");
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An included script's path is taken from the folder of the script that includes it.
std::string BesideScript(const std::string& script, const std::string& path) {
  const bool absolute = !path.empty() && (path[0] == '/' || path[0] == '\\' || path.find(':') != std::string::npos);
  const std::size_t slash = script.find_last_of("/\\");
  return absolute || slash == std::string::npos ? path : script.substr(0, slash + 1) + path;
}

void Parse(std::string_view text, const std::string& file, bool& havePage, int depth, std::vector<Command>& out) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";  // editors on Windows like to write one
  if (text.substr(0, kBom.size()) == kBom) text.remove_prefix(kBom.size());

  int number = 0;
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    const std::string_view line = Trim(text.substr(0, eol));
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    ++number;
    if (line.empty() || line[0] == '#') continue;
    Command c;
    try {
      c = ParseLine(Tokenize(line), havePage);
    } catch (const Error& e) {
      throw ErrorAt(file, number, e.what());
    }
    if (c.verb == Verb::Include) {
      if (depth == kMaxIncludeDepth) throw ErrorAt(file, number, "scripts include each other too deeply");
      const std::string path = BesideScript(file, c.texts[0]);
      std::string included;
      try {
        included = ReadScript(path);
      } catch (const Error& e) {
        throw ErrorAt(file, number, e.what());
      }
      Parse(included, path, havePage, depth + 1, out);
      continue;
    }
    c.line = number;
    c.file = file;
    c.source = std::string(line);
    out.push_back(std::move(c));
  }
}

}  // namespace

std::vector<Command> ParseScript(std::string_view text, const std::string& file) {
  std::vector<Command> commands;
  bool havePage = false;
  Parse(text, file, havePage, 0, commands);
  // Steps left over at the end would never be played: a script that forgot its dialog.
  const Command* waiting = nullptr;
  for (const Command& c : commands) {
    if (c.verb == Verb::Dialog && !waiting) waiting = &c;
    if (c.verb == Verb::Edit || c.verb == Verb::About) waiting = nullptr;
  }
  if (waiting) throw ErrorAt(waiting->file, waiting->line, "dialog steps with no 'edit' or 'about' after them");
  return commands;
}

std::vector<Command> LoadScript(const std::string& path) { return ParseScript(ReadScript(path), path); }
