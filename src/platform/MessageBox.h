#pragma once

#include <functional>
#include <string>

namespace platform {

// Every message box of the program passes through here: modal, one OK button.
// The window layer installs the real box; tests install a recorder.
using MessageBoxHandler = std::function<void(const std::string& testo)>;

// Shows the Windows-1252 text and returns when the user has dismissed it.
void mostraMessaggio(const std::string& testo);

// Installs a handler and returns the previous one. An empty handler restores the fallback,
// which writes the text to standard error.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

} // namespace platform
