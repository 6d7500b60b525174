#include "Component.h"

#include <algorithm>

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
