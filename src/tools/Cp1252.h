#pragma once

#include <string>
#include <string_view>

// The one place where the program's 8-bit text (Windows-1252) meets UTF-8 and UTF-16.
// A character that Windows-1252 cannot hold becomes "?".

std::u16string cp1252ToUtf16(std::string_view testo);
std::string utf16ToCp1252(std::u16string_view testo);
std::string cp1252ToUtf8(std::string_view testo);
std::string utf8ToCp1252(std::string_view testo);
std::u16string utf8ToUtf16(std::string_view testo);
std::string utf16ToUtf8(std::u16string_view testo);
// True when the bytes form valid UTF-8 (plain ASCII included).
bool isValidUtf8(std::string_view testo);
