#include "hostserver/ListaParametri.h"

#include <gtest/gtest.h>

namespace {

using hostserver::leggiListaParametri;

// Each item written back as key, then "=value" or "(flag)".
std::vector<std::string> voci(std::string_view lista)
{
    std::vector<std::string> uscita;
    for (const auto& parametro : leggiListaParametri(lista))
        uscita.push_back("[" + parametro.chiave + "]" + (parametro.valore ? "=[" + *parametro.valore + "]" : "(flag)"));
    return uscita;
}

TEST(ListaParametriTest, ChiaviSenzaSpaziValoriComeScritti)
{
    struct Caso {
        std::string_view lista;
        std::vector<std::string> attese;
    };
    const Caso casi[] = {
        { "", {} },
        { "|", {} },
        { "codice_medico =101|tipo_di_convenzione=S", { "[codice_medico]=[101]", "[tipo_di_convenzione]=[S]" } },
        { "codice_medico =", { "[codice_medico]=[]" } },
        { " chiave = valore con spazi |", { "[chiave]=[ valore con spazi ]" } },
        { "filtro_solo_con_risultato|dalla_data=2024-01-01",
            { "[filtro_solo_con_risultato](flag)", "[dalla_data]=[2024-01-01]" } },
        { "a=b=c||  |x", { "[a]=[b=c]", "[x](flag)" } },
        { "=valore", { "[]=[valore]" } },
    };
    for (const Caso& caso : casi) {
        SCOPED_TRACE(std::string(caso.lista));
        EXPECT_EQ(voci(caso.lista), caso.attese);
    }
}

TEST(ListaParametriTest, DataValidaSoloNellaFormaAnnoMeseGiorno)
{
    EXPECT_TRUE(hostserver::dataValida("2024-05-01"));
    EXPECT_TRUE(hostserver::dataValida("0000-00-00")) << "la forma, non il calendario";
    for (const std::string_view data :
        { "", "2024-5-1", "2024/05/01", "01-05-2024", "2024-05-01 ", "2024-05-0a", "20240501" })
        EXPECT_FALSE(hostserver::dataValida(data)) << data;
}

} // namespace
