#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "platform/Clock.h"

// The status label of a long walk (the services of a run, the patients of the health checks).
// Showing it lets the window repaint and run its pending events, which costs far more than an
// item: so it happens on a time slice, never per item. Per item only the clock is read; the
// label text is built when a slice falls, and once more at the end for the last item.
class Progresso {
public:
    using Mostra = std::function<void(const std::string& testoLblLog)>;

    // 25 slices a second, so that with the item under way the window still turns 20 times a second.
    static constexpr std::chrono::milliseconds kFetta { 40 };

    // Shows nothing and reads no clock.
    Progresso() = default;
    // The first slice falls one kFetta from now.
    explicit Progresso(Mostra mostra);

    // An item has been handled. testo() builds its label text and runs only when the slice falls.
    template <typename Testo> void avanza(const Testo& testo)
    {
        if (!mostra_)
            return;
        if (platform::adessoMonotono() - ultimaFetta_ < kFetta) {
            bInSospeso_ = true;
            return;
        }
        mostra(testo());
    }

    // The walk is over: the last item's text, unless its slice has shown it already.
    template <typename Testo> void concludi(const Testo& testo)
    {
        if (bInSospeso_)
            mostra(testo());
    }

private:
    void mostra(const std::string& testo);

    Mostra mostra_;
    platform::Istante ultimaFetta_ {};
    bool bInSospeso_ = false;
};
