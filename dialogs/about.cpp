#include "about.h"

#include <windows.h>

#include <string>

// A plain system message box until the About form with its banner is built.
void ShowAbout(const char* title, const char* author, const char* description) {
  const std::string text = std::string(title) + "\n" + description + "\n" + author;
  const std::wstring wide(text.begin(), text.end());  // the identification texts are ASCII
  MessageBoxW(GetActiveWindow(), wide.c_str(), L"Vitrelle", MB_OK | MB_ICONINFORMATION);
}
