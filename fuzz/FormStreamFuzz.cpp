// Fuzz target: the form stream reader, as the main window reads its stored
// form. The root is a form of class TForm1 that owns what the stream creates;
// the tone generator is registered, so that its published properties and its
// binary "AMArrayData" reader are reached.
//
// A read that fails must fail with EReadError and leave no created component
// behind. A read that succeeds must give a form whose stored text reads back
// into a form with the same stored text (see CheckStoredForm), and whose tone
// generators render.
#include "FormStream.h"
#include "ToneGen.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The root of a stored form; the program's main window has the same class
// name and stores nothing of its own beyond the base's properties.
class TFuzzForm : public TComponent {
public:
    TFuzzForm() : TComponent(nullptr) {}
    const char* ClassName() const override { return "TForm1"; }
};

[[noreturn]] void Finding(const char* What, const std::string& Detail) {
    std::fprintf(stderr, "form stream: %s\n%s\n", What, Detail.c_str());
    std::abort();
}

// Renders every tone generator of the form with its loaded values, as a
// program using the form would. The duration is cut to keep each run short;
// the values the stream can set beyond what a setter checks (the partial
// table) are left as read.
void RenderTones(TComponent& Owner) {
    for (int K = 0; K < Owner.ComponentCount(); ++K) {
        TComponent* C = Owner.Components(K);
        if (auto* Gen = dynamic_cast<TToneGen*>(C)) {
            Gen->SetDuration(std::min<std::int16_t>(Gen->Duration(), 40));
            if (!Gen->Prepare() || !Gen->PrepareADSR())
                Finding("a tone of a read form could not be rendered", C->Name());
        }
        RenderTones(*C);
    }
}

// Reads the stored text of a form into a new form and gives what that one
// stores.
std::string RoundTrip(const std::string& Stored) {
    TFuzzForm Again;
    try {
        ReadComponentText(Stored, Again);
    } catch (const EReadError& E) {
        Finding("the stored text of a read form does not read back", E.what() + ("\n" + Stored));
    }
    return WriteComponentText(Again);
}

// Whether a tone generator of the form (or of a component it owns) answers
// Test.
bool AnyToneGen(const TComponent& Owner, bool (*Test)(const TToneGen&)) {
    for (int K = 0; K < Owner.ComponentCount(); ++K) {
        const TComponent* C = Owner.Components(K);
        if (const auto* Gen = dynamic_cast<const TToneGen*>(C); Gen && Test(*Gen))
            return true;
        if (AnyToneGen(*C, Test))
            return true;
    }
    return false;
}

// What a read form stores must read back and store the same again, with two
// exceptions the stored rules make. A waveform ordinal without a name can
// reach AMWaveform from the partial table (selecting AMLevel copies the row)
// and is stored as its number, which the reader refuses. A floating-point
// property without a default is not stored when it is zero, so a zero
// AMFrequency comes back as the constructor's 0.5; such a form must store the
// same from its second round on.
void CheckStoredForm(const TComponent& Form) {
    std::string Stored = WriteComponentText(Form);
    if (AnyToneGen(Form, [](const TToneGen& G) { return G.AMWaveform() > tgNoise; }))
        return;
    std::string Again = RoundTrip(Stored);
    if (Again != Stored &&
        AnyToneGen(Form, [](const TToneGen& G) { return G.AMFrequency() == 0.0f; })) {
        Stored = std::move(Again);
        Again = RoundTrip(Stored);
    }
    if (Again != Stored)
        Finding("a stored form read back stores differently", Stored + "\n" + Again);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    TFuzzForm Form;
    try {
        ReadComponentText(Text, Form);
    } catch (const EReadError&) {
        if (Form.ComponentCount() != 0)
            Finding("a failed read left components behind", Text);
        return 0;
    }

    CheckStoredForm(Form);
    RenderTones(Form);
    return 0;
}
