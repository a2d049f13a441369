#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// The program builds its paths as Windows-1252 text; the file system wants its own form of the
// name (UTF-8 bytes here, UTF-16 on Windows).
std::filesystem::path percorsoNativo(const std::string& percorso);

// The same for a path held as UTF-8 text (the stand-in server's and SQLite's form), and back.
std::filesystem::path percorsoDaUtf8(std::string_view percorso);
std::string percorsoUtf8(const std::filesystem::path& percorso);

// std::fopen for a path in the file system's form, whatever characters the name holds.
std::FILE* apriFile(const std::filesystem::path& percorso, const char* modo);

// Whether something stands at the path the program built; an unreadable path counts as absent.
bool esiste(const std::string& percorso);

// The user's Desktop folder as Windows-1252 text without a trailing separator;
// the empty text when it is unknown.
std::string cartellaDesktop();

// The folder of the program file, with a trailing separator.
std::string cartellaProgramma();

// The separator of the paths the program builds.
extern const char separatore;

} // namespace platform
