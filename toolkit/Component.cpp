#include "Component.h"

#include "FormStream.h"

#include <algorithm>
#include <limits>

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner != nullptr) {
        AOwner->InsertComponent(this);
        // A component placed on a form in the designer is itself designed.
        if (AOwner->IsDesigning())
            FComponentState |= csDesigning;
    }
}

TComponent::~TComponent() {
    DestroyComponents();
    if (FOwner != nullptr)
        FOwner->RemoveComponent(this);
}

void TComponent::SetDesigning(bool Value) {
    if (Value)
        FComponentState |= csDesigning;
    else
        FComponentState &= ~static_cast<unsigned>(csDesigning);
    for (TComponent* C : FComponents)
        C->SetDesigning(Value);
}

void TComponent::SetLoading(bool Value) {
    if (Value)
        FComponentState |= csLoading;
    else
        FComponentState &= ~static_cast<unsigned>(csLoading);
}

void TComponent::DestroyComponents() {
    while (!FComponents.empty()) {
        TComponent* C = FComponents.back();
        FComponents.pop_back();
        C->FOwner = nullptr;
        delete C;
    }
}

void TComponent::InsertComponent(TComponent* AComponent) {
    AComponent->FOwner = this;
    FComponents.push_back(AComponent);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    auto It = std::find(FComponents.begin(), FComponents.end(), AComponent);
    if (It != FComponents.end())
        FComponents.erase(It);
    AComponent->FOwner = nullptr;
}

const TPublishedProperties& TComponent::PublishedProperties() {
    static const TPublishedProperties P = TPublishedProperties().Integer(
        "Tag", &TComponent::Tag, &TComponent::SetTag, std::intptr_t{0});
    return P;
}

void TComponent::DefineProperties(TFiler& Filer) {
    // Each half of DesignInfo is a signed 16-bit coordinate.
    const auto Low = static_cast<std::int16_t>(static_cast<std::uint32_t>(FDesignInfo) & 0xFFFFu);
    const auto High = static_cast<std::int16_t>(static_cast<std::uint32_t>(FDesignInfo) >> 16);
    auto SetHalf = [this](std::int32_t Value, int Shift) {
        if (Value < std::numeric_limits<std::int16_t>::min() ||
            Value > std::numeric_limits<std::int16_t>::max())
            throw EReadError("Property value " + std::to_string(Value) + " out of range");
        const std::uint32_t Mask = 0xFFFFu << Shift;
        const std::uint32_t Half = (static_cast<std::uint32_t>(Value) & 0xFFFFu) << Shift;
        FDesignInfo =
            static_cast<std::int32_t>((static_cast<std::uint32_t>(FDesignInfo) & ~Mask) | Half);
    };
    Filer.DefineProperty(
        "Left", [SetHalf](TReader& R) { SetHalf(R.ReadInteger(), 0); },
        [Low](TWriter& W) { W.WriteInteger(Low); }, Low != 0);
    Filer.DefineProperty(
        "Top", [SetHalf](TReader& R) { SetHalf(R.ReadInteger(), 16); },
        [High](TWriter& W) { W.WriteInteger(High); }, High != 0);
}

TComponent* TComponent::FindComponent(const std::string& AName) const {
    for (TComponent* C : FComponents)
        if (C->FName == AName)
            return C;
    return nullptr;
}
