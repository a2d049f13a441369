#pragma once

#include <functional>
#include <string>

namespace platform {

// What a box tells, as its icon shows it: the caller knows, whatever the text's words.
enum class Gravita { Informazione, Avviso, Errore };

// Every message box of the program passes through here: modal, one OK button, and the details
// for a technician behind "Mostra dettagli…" when there are any (empty: no such button).
// The window layer installs the real box; tests install a recorder.
using MessageBoxHandler = std::function<void(const std::string& testo, const std::string& dettagli, Gravita gravita)>;

// Shows the Windows-1252 text and returns when the user has dismissed it. The program's messages
// are failures unless the caller says otherwise.
void mostraMessaggio(const std::string& testo, const std::string& dettagli = {}, Gravita gravita = Gravita::Errore);

// Installs a handler and returns the previous one. An empty handler restores the fallback,
// which writes the text to standard error.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

// Showing a folder in the system's file manager passes through here too, for the same reason:
// the window layer installs the real opener, tests a recorder. True when the folder was opened.
using ApriCartellaHandler = std::function<bool(const std::string& percorso)>;

// Opens the folder at the Windows-1252 path.
bool apriCartella(const std::string& percorso);

// A document (the claim report) opens through the same opener, in the system's viewer for it.
bool apriDocumento(const std::string& percorso);

// Installs an opener and returns the previous one. An empty opener restores the fallback, which
// opens nothing: without the window layer there is no file manager to ask.
ApriCartellaHandler setApriCartellaHandler(ApriCartellaHandler handler);

} // namespace platform
