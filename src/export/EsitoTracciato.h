#pragma once

#include <string>
#include <vector>

#include "platform/MessageBox.h"

// How a run went, built once at its end and shown twice: whole in Memo1, and in a few words in
// the box that the doctor must press OK on. Both are rendered from this one value, so that the
// box can never call a run complete that the summary does not.

// One "ATTENZIONE: " paragraph of the summary and the same facts as the box says them, one short
// line each (a warning about several files may need one per file).
struct AvvisoTracciato {
    std::string testo;
    std::vector<std::string> brevi;
};

struct EsitoTracciato {
    // "Operazione completata.", "Operazione non completata: …" or "Operazione non riuscita: …".
    std::string primaRiga;
    std::string sContratto;
    std::vector<AvvisoTracciato> avvisi;
    // The files made or not, and the services left out, each paragraph starting with its line end.
    std::string file;
    // "Contenuto dei file:" and a line per file written, starting with its line ends; may be empty.
    std::string conteggi;
    // The last line: where the claim report is, or why it is not; may be empty.
    std::string chiusura;
    // The box's line for a claim report that could not be written; empty otherwise.
    std::string chiusuraBreve;
    // Whether the run wrote its claim report, which the box may then send the doctor to.
    bool riepilogoScritto = false;

    // The summary: every warning first, then the outcome, the files and their contents.
    std::string riepilogo() const;
    // The box that ends the run: "Procedura terminata." alone only when there is nothing to say.
    std::string messaggioFinale() const;
    // Its icon: a warning whenever the box says more than "Procedura terminata.".
    platform::Gravita gravitaFinale() const;
};

inline constexpr const char* kOperazioneCompletata = "Operazione completata.";
inline constexpr const char* kProceduraTerminata = "Procedura terminata.";
