// The component base of the window toolkit: an owner that frees what it owns,
// a name, a tag, and the designer's and the form reader's state flags.
//
// It has no window-system dependency, so non-visual components (the tone
// generator) can be built and tested without a display.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TFiler;
class TPublishedProperties;

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

    // The class name under which the component is stored in a form stream.
    virtual const char* ClassName() const { return "TComponent"; }
    // The published properties of the component's class, in declaration
    // order; a derived class returns its own list, which starts with its
    // base's (FormStream.h).
    virtual const TPublishedProperties& Published() const { return PublishedProperties(); }
    // TComponent's own published properties: Tag (default 0). The name is
    // stored in the object's heading, not as a property.
    static const TPublishedProperties& PublishedProperties();
    // Stored properties beyond the published ones, defined on the filer of a
    // form stream (FormStream.h). The base defines the designer's position
    // of a non-visual component, "Left" and "Top" (the low and high 16 bits
    // of DesignInfo), each stored when it is not 0. An override calls the
    // base first.
    virtual void DefineProperties(TFiler& Filer);
    std::int32_t DesignInfo() const { return FDesignInfo; }
    void SetDesignInfo(std::int32_t Value) { FDesignInfo = Value; }

    // The owned component of that name (compared exactly), or nullptr.
    TComponent* FindComponent(const std::string& AName) const;

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
    std::int32_t FDesignInfo = 0;
    unsigned FComponentState = 0;
    std::vector<TComponent*> FComponents;
};
