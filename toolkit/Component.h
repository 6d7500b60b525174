// The component base of the window toolkit: an owner that frees what it owns,
// a name, a tag, and the designer's and the form reader's state flags.
//
// It has no window-system dependency, so non-visual components (the tone
// generator) can be built and tested without a display.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0,   // the form reader is assigning stored properties
    csDesigning = 1u << 1, // the component lives in the form designer
};

class TComponent {
public:
    // The owner, when given, takes the component into its list and frees it
    // with itself.
    explicit TComponent(TComponent* AOwner);
    virtual ~TComponent();

    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }
    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value) { FName = Value; }
    std::intptr_t Tag() const { return FTag; }
    void SetTag(std::intptr_t Value) { FTag = Value; }

    unsigned ComponentState() const { return FComponentState; }
    bool IsDesigning() const { return (FComponentState & csDesigning) != 0; }
    bool IsLoading() const { return (FComponentState & csLoading) != 0; }

    // Set by the designer and the form reader (and by tests standing in for
    // them). Owned components follow their owner's design state.
    void SetDesigning(bool Value);
    void SetLoading(bool Value);

    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int Index) const { return FComponents.at(static_cast<size_t>(Index)); }

protected:
    // Frees every owned component, the last inserted first.
    void DestroyComponents();

private:
    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);

    TComponent* FOwner = nullptr;
    std::string FName;
    std::intptr_t FTag = 0;
    unsigned FComponentState = 0;
    std::vector<TComponent*> FComponents;
};
