// Text encodings: the system's texts are written in UTF-8 and handed to the host in Windows-1251.
#pragma once
#include <string>
#include <string_view>

// Converts UTF-8 to Windows-1251. Only characters that code page holds are accepted; anything
// else (or malformed UTF-8) is a programming error and raises Exception.
std::string Utf8ToCp1251(std::string_view utf8);

// Converts Windows-1251 to UTF-8, for showing host strings. Every byte converts; the one byte the
// code page leaves unassigned (0x98) becomes U+FFFD so that a stray byte stays visible.
std::string Cp1251ToUtf8(std::string_view cp1251);
