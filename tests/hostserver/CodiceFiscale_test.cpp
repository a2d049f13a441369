#include "hostserver/CodiceFiscale.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;
using hostserver::carattereControllo;
using hostserver::codiceFiscale;

TEST(CodiceFiscaleTest, CarattereDiControllo)
{
    // Codes whose check character is known independently.
    EXPECT_EQ(carattereControllo("RSSMRA85T10A562"), 'S');
    EXPECT_EQ(carattereControllo("BNZVCN32S10E573"), 'Z');
    EXPECT_EQ(carattereControllo("MRTMTT25D09F205"), 'Z');
    EXPECT_THROW(carattereControllo("rssmra85t10a562"), std::invalid_argument);
}

TEST(CodiceFiscaleTest, RegoleDiCognomeNomeEData)
{
    struct Caso {
        std::string_view cognome;
        std::string_view nome;
        year_month_day nascita;
        bool femmina;
        std::string_view atteso15;
    };
    const Caso casi[] = {
        { "Rossi", "Mario", 1985y / December / 10d, false, "RSSMRA85T10A662" },
        // Four or more consonants in the name: first, third and fourth.
        { "Bianchi", "Gianfranco", 1960y / January / 5d, false, "BNCGFR60A05A662" },
        // Few consonants: vowels follow, then X.
        { "Fo", "Ia", 2001y / February / 28d, false, "FOXIAX01B28A662" },
        { "Rè", "Ada", 1999y / June / 1d, true, "REXDAA99H41A662" },
        // Apostrophes, blanks and accents.
        { "D'Amico", "Nicolò", 1974y / September / 12d, false, "DMCNCL74P12A662" },
        { "Dell'Anna", "Anna Maria", 2012y / July / 31d, true, "DLLNMR12L71A662" },
        { "Cantù", "Noè", 2024y / October / 3d, false, "CNTNOE24R03A662" },
    };
    for (const Caso& caso : casi) {
        SCOPED_TRACE(std::string(caso.cognome) + " " + std::string(caso.nome));
        const std::string codice = codiceFiscale(caso.cognome, caso.nome, caso.nascita, caso.femmina, "A662");
        ASSERT_EQ(codice.size(), 16u);
        EXPECT_EQ(codice.substr(0, 15), caso.atteso15);
        EXPECT_EQ(codice[15], carattereControllo(caso.atteso15));
    }
}

} // namespace
