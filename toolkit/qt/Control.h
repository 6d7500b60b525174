// The base of every visible component: a TComponent drawn by one widget of
// the window system.
//
// Positions and sizes are in pixels, relative to the parent's client area
// (for a form: to the screen). A control's widget is created by the derived
// class and lives exactly as long as the control; the window-system type
// appears here only as a forward declaration, so forms built on the toolkit
// do not depend on it.
#pragma once

#include "Component.h"
#include "ToolkitTypes.h"

class QWidget;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    // Frees the owned components first, so that their widgets leave this
    // control's widget before it goes.
    ~TControl() override;

    // The widget that draws the control; for tests and for the toolkit itself.
    QWidget* Widget() const { return FWidget; }

    TControl* Parent() const { return FParent; }
    // Places the control on AParent's client area (nullptr: no parent).
    void SetParent(TControl* AParent);

    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;

    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    bool Enabled() const;
    void SetEnabled(bool Value);

    // The place in the parent's keyboard tab chain; lower comes first.
    int TabOrder() const { return FTabOrder; }
    void SetTabOrder(int Value);

    // A control draws with its parent's font until it is given its own.
    const TFont& Font() const;
    void SetFont(const TFont& Value);
    bool ParentFont() const { return FParentFont; }

protected:
    // Takes ownership of the widget that draws this control. Controls start
    // visible; forms start hidden.
    void SetWidget(QWidget* AWidget, bool AVisible);
    // Where the children of this control are placed.
    virtual QWidget* ClientWidget() const { return FWidget; }
    // Called after the control's font or its parent's font has changed.
    virtual void FontChanged() {}

private:
    QWidget* FWidget = nullptr;
    TControl* FParent = nullptr;
    bool FVisible = true;
    int FTabOrder = -1;
    TFont FFont;
    bool FParentFont = true;
};
