#include "export/Progresso.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"

using namespace std::chrono_literals;
using testing_support::ManualSteadyClock;

namespace {

// A walk of nItems items, each taking durata on the test's clock: what the label showed, and when.
struct Cammino {
    std::vector<std::string> testi;
    std::vector<platform::Istante> istanti;
    int testiCostruiti = 0;
};

Cammino cammina(int nItems, std::chrono::milliseconds durata)
{
    ManualSteadyClock orologio;
    Cammino cammino;
    Progresso progresso([&](const std::string& testo) {
        cammino.testi.push_back(testo);
        cammino.istanti.push_back(orologio.ora());
    });
    const auto testo = [&](int n) {
        ++cammino.testiCostruiti;
        return std::to_string(n);
    };
    int n = 0;
    while (n < nItems) {
        orologio.avanza(durata);
        ++n;
        progresso.avanza([&] { return testo(n); });
    }
    progresso.concludi([&] { return testo(n); });
    return cammino;
}

} // namespace

TEST(Progresso, SlicesFallOnTimeNotPerItem)
{
    struct Caso {
        int nItems;
        std::chrono::milliseconds durata;
        std::vector<std::string> attesi;
    };
    const Caso casi[] = {
        // 7 ms items: the slice falls at the first item 40 ms after the last one shown, then the end.
        { 20, 7ms, { "6", "12", "18", "20" } },
        // The last item fell on its slice: nothing more at the end.
        { 18, 7ms, { "6", "12", "18" } },
        // Time stands still: only the end shows, once.
        { 1000, 0ms, { "1000" } },
        // Items slower than a slice: every one is shown.
        { 3, 45ms, { "1", "2", "3" } },
        { 1, 40ms, { "1" } },
        // No item: nothing to show.
        { 0, 7ms, {} },
    };
    for (const Caso& caso : casi) {
        const Cammino cammino = cammina(caso.nItems, caso.durata);
        EXPECT_EQ(cammino.testi, caso.attesi) << caso.nItems << " x " << caso.durata.count() << " ms";
        // Text is built for what is shown, never for the items in between.
        EXPECT_EQ(cammino.testiCostruiti, static_cast<int>(caso.attesi.size()));
    }
}

TEST(Progresso, NoGapBetweenSlicesLongerThanASliceAndAnItem)
{
    for (const auto durata : { 1ms, 3ms, 13ms, 39ms }) {
        const Cammino cammino = cammina(5000, durata);
        ASSERT_GE(cammino.istanti.size(), 2u);
        for (std::size_t i = 1; i < cammino.istanti.size(); ++i)
            EXPECT_LE(cammino.istanti[i] - cammino.istanti[i - 1], Progresso::kFetta + durata) << durata.count();
        // 5,000 items: far fewer slices than items, and at least one for every slice of time.
        const auto tempo = durata * 5000;
        EXPECT_GE(cammino.testi.size(), static_cast<std::size_t>(tempo / (Progresso::kFetta + durata)));
        EXPECT_LE(cammino.testi.size(), static_cast<std::size_t>(tempo / Progresso::kFetta) + 1);
    }
}

TEST(Progresso, TheSliceCountsFromTheEndOfTheWindowsTurn)
{
    ManualSteadyClock orologio;
    std::vector<std::string> testi;
    // The window takes 30 ms to repaint and run its events.
    Progresso progresso([&](const std::string& testo) {
        testi.push_back(testo);
        orologio.avanza(30ms);
    });
    for (int n = 1; n <= 12; ++n) {
        orologio.avanza(10ms);
        progresso.avanza([n] { return std::to_string(n); });
    }
    // The work gets its 40 ms after each turn: items 4, 8 and 12.
    EXPECT_EQ(testi, (std::vector<std::string> { "4", "8", "12" }));
}

TEST(Progresso, WithoutAWindowNothingIsBuiltOrShown)
{
    Progresso progresso;
    int costruiti = 0;
    const auto testo = [&] {
        ++costruiti;
        return std::string("x");
    };
    ManualSteadyClock orologio(1s);
    for (int n = 0; n < 10; ++n)
        progresso.avanza(testo);
    progresso.concludi(testo);
    EXPECT_EQ(costruiti, 0);
}
