#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <string>

namespace host {

// The system's codes that tell a host's failure apart from the server's own reasons.
inline constexpr std::uint32_t kChiamataRifiutata = 0x80010001; // RPC_E_CALL_REJECTED
inline constexpr std::uint32_t kServerOccupato = 0x8001010A; // RPC_E_SERVERCALL_RETRYLATER
inline constexpr std::uint32_t kServerNonDisponibile = 0x800706BA; // RPC_S_SERVER_UNAVAILABLE
inline constexpr std::uint32_t kServerDisconnesso = 0x80010108; // RPC_E_DISCONNECTED
inline constexpr std::uint32_t kChiamataRpcFallita = 0x800706BE; // RPC_S_CALL_FAILED
inline constexpr std::uint32_t kChiamataRpcNonEseguita = 0x800706BF; // RPC_S_CALL_FAILED_DNE
inline constexpr std::uint32_t kServerTerminato = 0x80010007; // RPC_E_SERVER_DIED
inline constexpr std::uint32_t kServerTerminatoPrima = 0x80010012; // RPC_E_SERVER_DIED_DNE
inline constexpr std::uint32_t kNomeNonRegistrato = 0x800401F3; // CO_E_CLASSSTRING
inline constexpr std::uint32_t kClasseNonRegistrata = 0x80040154; // REGDB_E_CLASSNOTREG
inline constexpr std::uint32_t kAvvioNonRiuscito = 0x80080005; // CO_E_SERVER_EXEC_FAILURE
inline constexpr std::uint32_t kAccessoNegato = 0x80070005; // E_ACCESSDENIED

// How long a call refused by a busy host is made again before it fails.
inline constexpr std::chrono::seconds kAttesaOccupato { 60 };

enum class TipoGuasto {
    Altro, // the server's own reason
    Occupato, // the server refused the call for now: the same call may be made again
    Chiuso, // the server's process is gone: no call will reach it any more
    NonRegistrato, // no class of that name that this program can use
    NonAvviabile, // registered, but its program or library did not start
    AccessoNegato, // the server runs with other rights than this program
};

TipoGuasto tipoGuasto(const std::exception& errore);

// A failure code as a technician looks it up: "0x80040154".
std::string testoCodice(std::uint32_t codice);

} // namespace host
