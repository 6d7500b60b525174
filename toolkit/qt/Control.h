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

#include <vector>

class QWidget;
class TForm;

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

    // The place in the parent's keyboard tab chain; lower comes first. The
    // form orders the chain when it is shown; a control that takes no
    // keyboard focus (a label, a picture, a progress bar) keeps its number
    // but is passed over by Tab and Shift+Tab.
    int TabOrder() const { return FTabOrder; }
    void SetTabOrder(int Value);
    // The widgets that stand for the control in its form's tab chain, in
    // their own order: the control's widget, or the parts of a control made
    // of several that take the keyboard one at a time.
    virtual std::vector<QWidget*> TabStops() const;

    // The form the control is on, through its parents; nullptr when none.
    TForm* ParentForm() const;

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
    // Called after the control was placed on a parent and after the caption
    // of its form changed: a control that shows no caption of its own may
    // take its form's as its name for assistive technology.
    virtual void FormCaptionChanged() {}

private:
    friend class TForm;

    QWidget* FWidget = nullptr;
    TControl* FParent = nullptr;
    bool FVisible = true;
    int FTabOrder = -1;
    TFont FFont;
    bool FParentFont = true;
};
