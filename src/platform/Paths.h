#pragma once

#include <filesystem>
#include <string>

namespace platform {

// The program builds its paths as Windows-1252 text; the file system wants UTF-8 names.
std::filesystem::path percorsoNativo(const std::string& percorso);

// Whether something stands at the path the program built; an unreadable path counts as absent.
bool esiste(const std::string& percorso);

// The user's Desktop folder as Windows-1252 text without a trailing separator;
// the empty text when it is unknown.
std::string cartellaDesktop();

// The folder of the program file, with a trailing separator.
std::string cartellaProgramma();

// The separator of the paths the program builds.
inline constexpr char separatore = '/';

} // namespace platform
