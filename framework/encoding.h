// Text encodings, in one place: the system's texts are written in UTF-8 (resources/texts.h),
// handed to the host in Windows-1251 and shown through the wide (UTF-16) Windows API; host
// strings that reach the interface go through the system's ANSI code page.
#pragma once
#include <string>
#include <string_view>

// Converts UTF-8 to Windows-1251. Only characters that code page holds are accepted; anything
// else (or malformed UTF-8) is a programming error and raises Error.
std::string Utf8ToCp1251(std::string_view utf8);

// Converts Windows-1251 to UTF-8, for showing host strings. Every byte converts; the one byte the
// code page leaves unassigned (0x98) becomes U+FFFD so that a stray byte stays visible.
std::string Cp1251ToUtf8(std::string_view cp1251);

#ifdef _WIN32
// UTF-8 (our texts) to UTF-16 for the wide API, and back (window texts read by the test tools).
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

// A host string in the system's ANSI code page to UTF-16 (null reads as empty), and back: what
// the author types in a field goes to the host as the host would have written it.
std::wstring AnsiToWide(const char* text);
std::string WideToAnsi(std::wstring_view wide);

// Windows-1251 bytes as UTF-16 whatever the ANSI code page, for the stand-in host's own texts.
std::wstring Cp1251ToWide(std::string_view cp1251);
#endif
