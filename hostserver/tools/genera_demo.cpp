// Creates a demo practice database for the stand-in host server and prints its sign-ins.

#include <charconv>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "hostserver/GeneratorePratica.h"

namespace {

constexpr const char* kUso = "Uso: genera_demo [--patients N] [--services N] [--exams N] [--seed S] <percorso.sqlite>\n"
                             "  --patients N  pazienti per ciascuno dei due medici (predefinito 300)\n"
                             "  --services N  prestazioni per paziente nell'ultimo anno (predefinito 6)\n"
                             "  --exams N     accertamenti per paziente del pediatra (predefinito 4)\n"
                             "  --seed S      seme dei dati casuali (predefinito 1)\n";

template <typename T> bool numero(std::string_view testo, T& valore)
{
    const auto [fermo, errore] = std::from_chars(testo.data(), testo.data() + testo.size(), valore);
    return !testo.empty() && errore == std::errc() && fermo == testo.data() + testo.size() && valore >= 0;
}

} // namespace

int main(int argc, char** argv)
{
    hostserver::OpzioniPratica opzioni;
    std::string percorso;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argomento = argv[i];
        const bool conValore = i + 1 < argc;
        bool valido = true;
        if (argomento == "--patients" && conValore)
            valido = numero(argv[++i], opzioni.pazientiPerMedico);
        else if (argomento == "--services" && conValore)
            valido = numero(argv[++i], opzioni.prestazioniPerPaziente);
        else if (argomento == "--exams" && conValore)
            valido = numero(argv[++i], opzioni.accertamentiPerPazientePls);
        else if (argomento == "--seed" && conValore)
            valido = numero(argv[++i], opzioni.seme);
        else if (argomento == "--help" || argomento == "-h") {
            std::fputs(kUso, stdout);
            return 0;
        } else if (!argomento.starts_with("--") && percorso.empty())
            percorso = argomento;
        else
            valido = false;
        if (!valido) {
            std::fprintf(stderr, "Argomento non valido: %s\n%s", argv[i], kUso);
            return 2;
        }
    }
    if (percorso.empty()) {
        std::fputs(kUso, stderr);
        return 2;
    }

    try {
        hostserver::generaPratica(percorso, opzioni);
    } catch (const std::exception& errore) {
        std::fprintf(stderr, "Impossibile creare %s: %s\n", percorso.c_str(), errore.what());
        return 1;
    }
    std::printf("Pratica dimostrativa creata in %s\n", percorso.c_str());
    std::printf("Accessi (utente / password):\n");
    for (const hostserver::UtenteDemo& utente : hostserver::utentiDemo()) {
        std::printf("  %-8.*s / %.*s  - %.*s\n", static_cast<int>(utente.nomeUtente.size()), utente.nomeUtente.data(),
            static_cast<int>(utente.password.size()), utente.password.data(),
            static_cast<int>(utente.descrizione.size()), utente.descrizione.data());
    }
    return 0;
}
