#include "platform/MessageBox.h"

#include <iostream>

#include "tools/Cp1252.h"

namespace platform {
namespace {

void scriviSuStderr(const std::string& testo, const std::string& dettagli, Gravita)
{
    std::cerr << cp1252ToUtf8(testo) << std::endl;
    if (!dettagli.empty())
        std::cerr << cp1252ToUtf8(dettagli) << std::endl;
}

MessageBoxHandler& handlerCorrente()
{
    static MessageBoxHandler handler = scriviSuStderr;
    return handler;
}

bool nessunaApertura(const std::string&)
{
    return false;
}

ApriCartellaHandler& apriCartellaCorrente()
{
    static ApriCartellaHandler handler = nessunaApertura;
    return handler;
}

} // namespace

void mostraMessaggio(const std::string& testo, const std::string& dettagli, Gravita gravita)
{
    // A copy, so that a handler may replace itself while it runs.
    MessageBoxHandler handler = handlerCorrente();
    handler(testo, dettagli, gravita);
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler precedente = std::move(handlerCorrente());
    handlerCorrente() = handler ? std::move(handler) : MessageBoxHandler(scriviSuStderr);
    return precedente;
}

bool apriCartella(const std::string& percorso)
{
    ApriCartellaHandler handler = apriCartellaCorrente();
    return handler(percorso);
}

bool apriDocumento(const std::string& percorso)
{
    return apriCartella(percorso);
}

ApriCartellaHandler setApriCartellaHandler(ApriCartellaHandler handler)
{
    ApriCartellaHandler precedente = std::move(apriCartellaCorrente());
    apriCartellaCorrente() = handler ? std::move(handler) : ApriCartellaHandler(nessunaApertura);
    return precedente;
}

} // namespace platform
