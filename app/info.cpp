#include "info.h"

#include <string>
#include <vector>

TForm2* Form2 = nullptr;

namespace {

// The usage text, one entry per line of the memo; blank lines separate the
// sections, and the last line is empty.
const std::vector<std::string> UsageText = {
    "A program használata:",
    "",
    "A program a Dr. Varden által meghatározott két alapvető frekvenciasorozatot",
    "tartalmazza, és ezeket a számítógép hangkártyáján keresztül állítja elő.",
    "A frekvenciákat erősítőn és testelektródákon keresztül kell a testbe vezetni;",
    "az elektródákat a csuklóra, a pulzus fölé kell helyezni.",
    "Ajánlott használat: naponta egyszer.",
    "",
    "Alap Dr. Varden frekvenciák: ",
    "a leggyakoribb baktériumok és paraziták ellen.",
    "Kezelés ideje: 30 perc",
    "",
    "BX vírus:",
    "a daganatok okozójának tartott vírus ellen.",
    "Kezelés ideje: 6 perc",
    "",
    "A kezelés a kiválasztott gomb megnyomásával indul.",
    "Az aktuális frekvencia leolvasható, a program befejezését a \"Vége\"",
    "felirat jelzi.",
    "",
    "A PC hangerőszabályzóját maximumra kell állítani, ez erősítő beállítása egyéni",
    "érzékenység szerint.",
    "",
    "A program nem orvosi célokra készült, mindenki saját felelőségére használhatja!",
    "Várandós kismamák és szívritmus szabályzóval élők nem használhatják!",
    "",
    "A programok lépései:",
    "Alap program, tíz lépés: 10000, 5000, 1800, 1500, 690, 650, 600, 465,",
    "2.165 és 2.008 Hz.",
    "BX program, két lépés: 2128 és 3713 Hz.",
    "Minden lépés 3 percig tart; a \"Leállítás\" gomb az aktuális lépést",
    "azonnal befejezi, és a program a következő lépéssel folytatódik.",
    "A kimenő jel formáját (négyszög vagy szinusz) a kezelés előtt kell",
    "kiválasztani; kezelés közben a főablak nem kezelhető.",
    "A sztereó jel jobb csatornája fél periódussal előzi a bal csatornát.",
    "",
    "További információ:",
    // Numbers that no telephone can have: 00 is no Hungarian area code.
    "Telefon: +36 00 000 0000",
    "Mobil: +36 00 000 0001",
    "Honlap: www.example.org",
    "E-mail: info@example.org",
    "",
};

} // namespace

TForm2::TForm2(TComponent* AOwner) : TForm(AOwner) {
    SetName("Form2");
    SetCaption("Információ");
    SetBounds(264, 70, 502, 643);
    SetFont(TFont{});

    Memo1 = new TMemo(this);
    Memo1->SetParent(this);
    Memo1->SetBounds(16, 16, 457, 553);
    Memo1->SetReadOnly(true);
    Memo1->SetScrollBars(ssNone);
    Memo1->SetWordWrap(true);
    Memo1->SetTabOrder(0);
    Memo1->SetLines(UsageText);
}

TForm2::~TForm2() {
    if (Form2 == this)
        Form2 = nullptr;
}
