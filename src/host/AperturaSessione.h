#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "host/tc_Orvapat.h"

// Session opening: reads the debug switch, opens the host session with the credentials as typed,
// loads the doctor's patients and checks that the doctor may export (patients, titular doctor,
// regional code). Only then it calls mostraFinestraPrincipale, which restores the cursor, hides
// the sign-in window and shows the main window modally; the session stays open in oOrvapat for
// the whole call, and nPazienti holds the patients loaded in it.
// Every failure is shown in a message box and gives false; where the server could not be started,
// suLog (the run log, which writes only in debug mode) also gets the system's or the server's
// reason and what the class registry holds for the server. While a busy host is waited for,
// mostraAttesa shows the waiting text (the empty text at the end) and lets the window run.
// Whatever the outcome, the session has been stopped and released (oOrvapat is empty) when the
// function returns.
bool inizializza(const std::string& utente, const std::string& password, bool& bDebug,
    std::unique_ptr<Torvapat>& oOrvapat, std::int32_t& nPazienti, const std::function<void()>& mostraFinestraPrincipale,
    const std::function<void(const std::string&)>& suLog = {},
    const std::function<void(const std::string&)>& mostraAttesa = {});

// Signs in again once the host has gone: opens a new session with the credentials and checks the
// doctor as inizializza does. Only when both succeed does it replace oOrvapat (the old session let
// go) and nPazienti; otherwise they stay as they were, and the reason has been shown. A sign-in
// that the doctor gave up while it waited (annullato() true once the checks are done) lets its
// new session go as well and gives false: nobody chose that session any more, and the user name
// typed may not be the one of the session that went.
bool riapriSessione(const std::string& utente, const std::string& password, std::unique_ptr<Torvapat>& oOrvapat,
    std::int32_t& nPazienti, const std::function<void(const std::string&)>& suLog = {},
    const std::function<void(const std::string&)>& mostraAttesa = {}, const std::function<bool()>& annullato = {});

// The sign-in window's line once a run has found Orvella gone (Windows-1252).
inline constexpr const char* kAccessoDopoChiusura = " Orvella si \xE8 chiuso: riaprirlo e accedere di nuovo";

// True when the doctor's regional code, as the host gives it, holds more than blanks and control characters.
bool codiceRegionaleValorizzato(const std::u16string& codice);
inline constexpr const char* kErroreCodiceRegionale
    = "ERRORE: Il campo obbligatorio \"Codice Regionale\" medico non \xE8 stato valorizzato in Orvella.";

// Loads the signed-in doctor's patient list in the session, at its first row, and returns the
// number of rows loaded (0 when none or on failure). Each export run reloads it the same way, so
// that the health-check walk starts from the first patient.
std::int32_t caricaPazientiMedico(Torvapat& oOrvapat);
