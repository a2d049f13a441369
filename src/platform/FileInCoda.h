#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Appends the bytes to the file the program's path names, creating it when missing (never its
// folder). The bytes go in whole or not at all: after a failure the file is as it was, absent if
// it was absent, so that a failed first record leaves no empty file to be taken for an export.
// Returns nothing on success, else why it failed (Windows-1252): in plain Italian for the causes
// a folder commonly meets, in the platform's own words for the rarer ones.
std::optional<std::string> accodaIntero(const std::string& percorso, std::string_view testo);

} // namespace platform
