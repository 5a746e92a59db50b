#pragma once
// The library's push button: painted through the look-and-feel painters, with a colour per
// state, an optional glyph (one to four images side by side) laid out beside the caption, hot
// tracking, and two drop-down kinds that open a popup menu.

#include <array>
#include <memory>

#include "controls/kcControls.h"
#include "platform/forms/Menus.h"

enum TkcButtonKind { kcbkStandard, kcbkDropDown, kcbkDropDownButton };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

class TkcCustomButton;

// The painter a push button of the look and feel draws with: Office 11 has no button of its
// own and draws as the native one where themes exist, else as the standard one. Controls that
// draw buttons of their own (the calculator's keypad) choose the same way.
TkcLookAndFeelPainterClass GetButtonPainterClass(TkcLookAndFeel* ALookAndFeel);

using TkcButtonGetDrawParamsEvent =
    std::function<void(TkcCustomButton* Sender, TkcButtonState AState, TColor& AColor, TFont* AFont)>;
using TkcButtonDropDownMenuPopupEvent = std::function<void(TObject* Sender, TPopupMenu*& AMenu, bool& AHandled)>;

// The colours of the five states; an unset one is clDefault and lets the painter choose.
class TkcButtonColors {
public:
  explicit TkcButtonColors(TkcCustomButton* AButton) : fButton(AButton) { fColors.fill(clDefault); }
  TColor Color(TkcButtonState AState) const { return fColors[AState]; }
  // clNone and clDefault unset the colour.
  void SetColor(TkcButtonState AState, TColor AValue);
  bool IsAssigned(TkcButtonState AState) const { return (fAssigned >> AState) & 1; }
  // The colour a state paints in: its own, else Default for the normal state and Normal for the
  // others.
  TColor ColorOf(TkcButtonState AState) const;
  void Assign(const TkcButtonColors& ASource);

private:
  TkcCustomButton* fButton;
  std::array<TColor, 5> fColors;
  unsigned fAssigned = 0;
};

class TkcCustomButton : public TCustomControl, public IkcLookAndFeelOwner, public IkcMouseTrackingCaller {
  VT_CLASS(TkcCustomButton, TCustomControl)
public:
  explicit TkcCustomButton(TComponent* AOwner);
  ~TkcCustomButton() override;
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;

  TkcButtonColors& Colors() { return fColors; }
  TPopupMenu* DropDownMenu() const { return fDropDownMenu; }
  void SetDropDownMenu(TPopupMenu* Value);
  TBitmap* Glyph() const { return fGlyph.get(); }
  void SetGlyph(TBitmap* Value);
  TkcButtonKind Kind() const { return fKind; }
  void SetKind(TkcButtonKind Value);
  TButtonLayout Layout() const { return fLayout; }
  void SetLayout(TButtonLayout Value);
  TkcLookAndFeel* LookAndFeel() const { return fLookAndFeel.get(); }
  int Margin() const { return fMargin; }
  void SetMargin(int Value);
  int NumGlyphs() const { return fNumGlyphs; }
  void SetNumGlyphs(int Value);
  int Spacing() const { return fSpacing; }
  void SetSpacing(int Value);
  bool Default() const { return fDefault; }
  void SetDefault(bool Value);
  // Escape clicks a cancel button anywhere on its form.
  bool Cancel() const { return fCancel; }
  void SetCancel(bool Value) { fCancel = Value; }
  // A click hands a non-zero result to the parent form, which closes a modal one.
  int ModalResult() const { return fModalResult; }
  void SetModalResult(int Value) { fModalResult = Value; }
  bool UseSystemPaint = false;
  TkcButtonDropDownMenuPopupEvent OnDropDownMenuPopup;
  TkcButtonGetDrawParamsEvent OnGetDrawParams;

  TkcLookAndFeel* GetLookAndFeel() override { return fLookAndFeel.get(); }
  void MouseLeave() override;

  // The state the button paints in now.
  TkcButtonState GetState() const;
  // The glyph image of a state: 0 default, normal and hot; 2 pressed (0 with fewer than three
  // images); 1 disabled.
  int GlyphIndex(TkcButtonState AState) const;
  // The painter of the look and feel; the Office 11 painter draws like the standard one.
  virtual TkcLookAndFeelPainterClass GetPainterClass();
  // Caption plus three "R"s wide, 14/8 of a line high.
  virtual TSize GetOptimalSize();
  bool IsHot() const { return fIsHot; }
  bool IsDown() const { return fIsDown; }
  bool MenuVisible() const { return fMenuVisible; }
  void DropDown();
  // The glyph's position and the caption's rectangle inside the content rectangle.
  void CalcGlyphAndTextLayout(const TRect& AContent, TPoint& AGlyphPos, TRect& ATextRect);

  void Click() override;
  void Dispatch(TMessage& Message) override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual bool DoDropDownMenuPopup(TPopupMenu*& AMenu);

private:
  bool InArrowPart(int X) const { return fKind == kcbkDropDownButton && X >= Width() - 15; }
  void SetHot(bool Value);
  TSize GlyphSize() const;

  TkcButtonColors fColors;
  std::unique_ptr<TkcCanvas> fKcCanvas;
  std::unique_ptr<TkcLookAndFeel> fLookAndFeel;
  std::unique_ptr<TBitmap> fGlyph;
  TPopupMenu* fDropDownMenu = nullptr;
  TkcButtonKind fKind = kcbkStandard;
  TButtonLayout fLayout = blGlyphLeft;
  int fMargin = -1, fNumGlyphs = 1, fSpacing = 4;
  bool fDefault = false, fCancel = false;
  int fModalResult = 0;
  bool fIsDown = false, fIsHot = false, fMenuVisible = false, fArrowPressed = false, fClosedByClick = false;
};

class TkcButton : public TkcCustomButton {
  VT_CLASS(TkcButton, TkcCustomButton)
public:
  explicit TkcButton(TComponent* AOwner) : TkcCustomButton(AOwner) {}
};
