#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// What the program asks of the file system besides writing its files: on Windows through the
// system's own wide calls, which take the "\\?\" form of a long path; the C runtime's path calls
// that std::filesystem uses there refuse it.
namespace platform {

// Whether the path names a folder, or a link to one.
bool eCartella(const std::string& percorso);

// The file's last-write time as the system keeps it, in UTC; nothing when it cannot be read.
std::optional<std::chrono::system_clock::time_point> ultimaScritturaUtc(const std::string& percorso);

struct VoceCartella {
    enum class Tipo { File, Cartella, Collegamento };
    std::filesystem::path nome; // in the file system's form, whatever characters it holds
    Tipo tipo; // a link (a junction too) is a link, whatever it points at
};

// What the folder (with its trailing separator) holds; nothing when it cannot be read.
std::vector<VoceCartella> vociCartella(const std::string& sDir);

// Removes the folder with all it holds, or the link in its place; a link met on the way is
// removed as a link and its target left alone. What cannot be removed stays.
void rimuoviAlbero(const std::filesystem::path& cartella);

} // namespace platform
