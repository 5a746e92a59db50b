#include "editors-extended/kcButtons.h"

#include "controls/kcControlUtils.h"
#include "controls/kcThemeManager.h"
#include "platform/core/Math.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

// ---- Colours --------------------------------------------------------------------------------

void TkcButtonColors::SetColor(TkcButtonState AState, TColor AValue) {
  TColor old = fColors[AState];
  unsigned oldAssigned = fAssigned;
  if (AValue == clNone || AValue == clDefault) {
    fColors[AState] = clDefault;
    fAssigned &= ~(1u << AState);
  } else {
    fColors[AState] = AValue;
    fAssigned |= 1u << AState;
  }
  if ((old != fColors[AState] || oldAssigned != fAssigned) && fButton) fButton->Invalidate();
}

TColor TkcButtonColors::ColorOf(TkcButtonState AState) const {
  if (IsAssigned(AState)) return fColors[AState];
  return AState == kcbsNormal ? fColors[kcbsDefault] : fColors[kcbsNormal];
}

void TkcButtonColors::Assign(const TkcButtonColors& ASource) {
  fColors = ASource.fColors;
  fAssigned = ASource.fAssigned;
  if (fButton) fButton->Invalidate();
}

// ---- The button -----------------------------------------------------------------------------

TkcCustomButton::TkcCustomButton(TComponent* AOwner)
    : TCustomControl(AOwner),
      fColors(this),
      fLookAndFeel(std::make_unique<TkcLookAndFeel>(this)),
      fGlyph(std::make_unique<TBitmap>()) {
  fKcCanvas = std::make_unique<TkcCanvas>(Canvas());
  fLookAndFeel->OnChanged = [this](TkcLookAndFeel*, TkcLookAndFeelValues) { Invalidate(); };
  TControlStyle s = ControlStyle();
  s.Include(csOpaque);
  SetControlStyle(s);
  SetTabStop(true);
  SetBounds(0, 0, 75, 25);
}

TkcCustomButton::~TkcCustomButton() { EndMouseTracking(this); }

bool TkcCustomButton::GetInterface(const TGUID& IID, void** Obj) {
  if (IID == IkcLookAndFeelOwner::IID) {
    *Obj = static_cast<IkcLookAndFeelOwner*>(this);
    return true;
  }
  if (IID == IkcMouseTrackingCaller::IID) {
    *Obj = static_cast<IkcMouseTrackingCaller*>(this);
    return true;
  }
  return TCustomControl::GetInterface(IID, Obj);
}

void TkcCustomButton::SetDropDownMenu(TPopupMenu* Value) {
  if (fDropDownMenu == Value) return;
  if (fDropDownMenu) fDropDownMenu->RemoveFreeNotification(this);
  fDropDownMenu = Value;
  if (fDropDownMenu) fDropDownMenu->FreeNotification(this);
}

void TkcCustomButton::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fDropDownMenu) fDropDownMenu = nullptr;
}

void TkcCustomButton::SetGlyph(TBitmap* Value) {
  if (Value)
    fGlyph->Assign(Value);
  else
    fGlyph = std::make_unique<TBitmap>();
  int w = fGlyph->Width(), h = fGlyph->Height();
  // A strip of square images tells how many it holds.
  if (h > 0 && w % h == 0) fNumGlyphs = w / h < 5 ? std::max(1, w / h) : 1;
  Invalidate();
}

void TkcCustomButton::SetKind(TkcButtonKind Value) {
  if (fKind == Value) return;
  fKind = Value;
  Invalidate();
}

void TkcCustomButton::SetLayout(TButtonLayout Value) {
  if (fLayout == Value) return;
  fLayout = Value;
  Invalidate();
}

void TkcCustomButton::SetMargin(int Value) {
  if (Value < -1 || fMargin == Value) return;
  fMargin = Value;
  Invalidate();
}

void TkcCustomButton::SetNumGlyphs(int Value) {
  if (Value <= 0) return;
  Value = std::min(Value, 4);
  if (fNumGlyphs == Value) return;
  fNumGlyphs = Value;
  Invalidate();
}

void TkcCustomButton::SetSpacing(int Value) {
  if (fSpacing == Value) return;
  fSpacing = Value;
  Invalidate();
}

void TkcCustomButton::SetDefault(bool Value) {
  if (fDefault == Value) return;
  fDefault = Value;
  Invalidate();
}

TkcButtonState TkcCustomButton::GetState() const {
  if (!const_cast<TkcCustomButton*>(this)->Enabled()) return kcbsDisabled;
  bool down = fKind == kcbkDropDown ? fMenuVisible : (fIsDown && !fArrowPressed);
  if (down || fMenuVisible) return kcbsPressed;
  if (fIsHot) return kcbsHot;
  if (const_cast<TkcCustomButton*>(this)->Focused() || fDefault) return kcbsDefault;
  return kcbsNormal;
}

int TkcCustomButton::GlyphIndex(TkcButtonState AState) const {
  switch (AState) {
    case kcbsDisabled: return fNumGlyphs >= 2 ? 1 : 0;
    case kcbsPressed: return fNumGlyphs >= 3 ? 2 : 0;
    default: return 0;
  }
}

TkcLookAndFeelPainterClass GetButtonPainterClass(TkcLookAndFeel* ALookAndFeel) {
  TkcLookAndFeelPainterClass p = ALookAndFeel->Painter();
  if (p == TkcOffice11LookAndFeelPainter::Instance())
    return AreThemesAvailable() ? static_cast<TkcLookAndFeelPainterClass>(TkcWinXPLookAndFeelPainter::Instance())
                                : TkcStandardLookAndFeelPainter::Instance();
  return p;
}

TkcLookAndFeelPainterClass TkcCustomButton::GetPainterClass() { return GetButtonPainterClass(fLookAndFeel.get()); }

TSize TkcCustomButton::GetOptimalSize() {
  fKcCanvas->SetFont(Font());
  String text = StripHotkeyPrefix(Caption());
  if (text.empty()) text = " ";
  return TSize{fKcCanvas->TextWidth(text) + 3 * fKcCanvas->TextWidth("R"), MulDiv(fKcCanvas->TextHeight("Wg"), 14, 8)};
}

TSize TkcCustomButton::GlyphSize() const {
  if (fGlyph->Width() == 0 || fGlyph->Height() == 0) return TSize{0, 0};
  return TSize{fGlyph->Width() / fNumGlyphs, fGlyph->Height()};
}

void TkcCustomButton::CalcGlyphAndTextLayout(const TRect& AContent, TPoint& AGlyphPos, TRect& ATextRect) {
  int W = AContent.right - AContent.left, H = AContent.bottom - AContent.top;
  TSize g = GlyphSize();
  bool hasGlyph = g.cx > 0;
  String caption = Caption();
  TSize t{0, 0};
  if (!caption.empty()) {
    int marginL = hasGlyph ? 0 : 1, marginR = hasGlyph ? 0 : 2;
    TRect r{0, 0, std::max(0, W - marginL - marginR), 0};
    fKcCanvas->SetFont(Font());
    fKcCanvas->CalculateTextRect(caption, r, kctfHCenter | kctfVCenter | (hasGlyph ? kctfSingleLine : 0));
    t = TSize{r.right - r.left + marginL + marginR, r.bottom - r.top};
  }
  bool horizontal = fLayout == blGlyphLeft || fLayout == blGlyphRight;
  int spacing = (caption.empty() || !hasGlyph) ? 0 : fSpacing, margin = fMargin;
  int total = horizontal ? W : H, gExt = horizontal ? g.cx : g.cy, tExt = horizontal ? t.cx : t.cy;
  if (margin == -1 && spacing == -1) {
    margin = (total - gExt - tExt) / 3;
    spacing = margin;
  } else if (margin == -1) {
    margin = (total - (gExt + spacing + tExt)) / 2;
  } else if (spacing == -1) {
    spacing = ((total - (margin + gExt)) - tExt) / 2;
  }
  TPoint gp, tp;
  if (horizontal) {
    gp.y = (H - g.cy) / 2;
    tp.y = (H - t.cy - 1) / 2;
    if (fLayout == blGlyphLeft) {
      gp.x = margin;
      tp.x = gp.x + g.cx + spacing;
    } else {
      gp.x = W - margin - g.cx;
      tp.x = gp.x - spacing - t.cx;
    }
  } else {
    gp.x = (W - g.cx) / 2;
    tp.x = (W - t.cx) / 2;
    if (fLayout == blGlyphTop) {
      gp.y = margin;
      tp.y = gp.y + g.cy + spacing;
    } else {
      gp.y = H - margin - g.cy;
      tp.y = gp.y - spacing - t.cy;
    }
  }
  AGlyphPos = TPoint{gp.x + AContent.left, gp.y + AContent.top};
  ATextRect = TRect{tp.x + AContent.left, tp.y + AContent.top, tp.x + AContent.left + t.cx, tp.y + AContent.top + t.cy};
}

void TkcCustomButton::Paint() {
  TkcLookAndFeelPainterClass painter = GetPainterClass();
  TkcButtonState state = GetState();
  TRect client = ClientRect();
  fKcCanvas->SetCanvas(Canvas());
  std::unique_ptr<TFont> font = std::make_unique<TFont>();
  font->Assign(Font());
  TColor color = fColors.ColorOf(state);
  font->SetColor(painter->GetButtonGlyphColor(state, Font()->Color()));
  if (OnGetDrawParams) OnGetDrawParams(this, state, color, font.get());
  TRect face = client;
  if (fKind == kcbkDropDownButton) face.right -= 13;
  painter->DrawButton(fKcCanvas.get(), face, "", state, true, color, font->Color());

  TPoint offset{0, 0};
  int shift = painter->GetButtonPressedShift();
  if (state == kcbsPressed && shift != 0) offset = TPoint{shift, shift};
  int border = painter->GetButtonBorderWidth(state);
  TRect content{client.left + border, client.top + border, client.right - border, client.bottom - border};
  if (fKind == kcbkDropDownButton) content.right -= 13;
  TkcCanvasState saved;
  fKcCanvas->SaveState(saved);
  fKcCanvas->IntersectClipRect(content);
  TPoint gp;
  TRect tr;
  CalcGlyphAndTextLayout(content, gp, tr);
  OffsetRect(&tr, offset.x, offset.y);
  TSize g = GlyphSize();
  if (g.cx > 0) {
    TBitmap image;
    image.SetSize(g.cx, g.cy);
    int index = GlyphIndex(state);
    TRect src{index * g.cx, 0, index * g.cx + g.cx, g.cy};
    image.Canvas()->CopyRect(TRect{0, 0, g.cx, g.cy}, fGlyph->Canvas(), src);
    image.SetTransparent(true);
    image.SetTransparentColor(static_cast<TColor>(0x008080));
    // Without an image of its own, the disabled glyph is drawn embossed.
    fKcCanvas->DrawGlyph(gp.x + offset.x, gp.y + offset.y, &image, state != kcbsDisabled || fNumGlyphs >= 2);
  }
  String caption = Caption();
  if (!caption.empty()) {
    fKcCanvas->SetFont(font.get());
    fKcCanvas->Brush()->SetStyle(bsClear);
    int flags = kctfHCenter | kctfVCenter | kctfShowPrefix | (g.cx > 0 ? kctfSingleLine : kctfWordBreak);
    if (state == kcbsDisabled) {
      TRect shadow = tr;
      OffsetRect(&shadow, 1, 1);
      fKcCanvas->Font()->SetColor(clBtnHighlight);
      fKcCanvas->DrawText(caption, shadow, flags);
      fKcCanvas->Font()->SetColor(clBtnShadow);
    }
    fKcCanvas->DrawText(caption, tr, flags);
  }
  fKcCanvas->RestoreState(saved);
  if (fKind == kcbkDropDownButton) {
    TRect arrow{client.right - 15, client.top, client.right, client.bottom};
    painter->DrawButton(fKcCanvas.get(), arrow, "", state == kcbsPressed && !fArrowPressed ? kcbsNormal : state, true,
                        color, font->Color());
    painter->DrawStateArrow(fKcCanvas.get(), arrow, fArrowPressed || fMenuVisible ? kcbsPressed : state, adDown);
  }
  if (Focused() && !fMenuVisible) fKcCanvas->DrawFocusRect(painter->GetButtonFocusRectangle(fKcCanvas.get(), client));
}

void TkcCustomButton::SetHot(bool Value) {
  if (fIsHot == Value) return;
  fIsHot = Value;
  Invalidate();
}

void TkcCustomButton::MouseLeave() {
  EndMouseTracking(this);
  SetHot(false);
}

void TkcCustomButton::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  TRect c = ClientRect();
  if (!MouseCapture() && PtInRect(&c, TPoint{X, Y}) && !fIsHot && Enabled() &&
      GetPainterClass()->IsButtonHotTrackingEnabled()) {
    BeginMouseTracking(this, c, this);
    SetHot(true);
  }
  if (MouseCapture() && fKind != kcbkDropDown) {
    bool inside = PtInRect(&c, TPoint{X, Y});
    if (inside != fIsDown) {
      fIsDown = inside;
      Invalidate();
    }
  }
}

void TkcCustomButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    if (CanFocus() && !Focused()) SetFocus();
    if (fKind != kcbkStandard && fMenuVisible) {
      fClosedByClick = true;
      fMenuVisible = fIsDown = false;
    } else if (InArrowPart(X)) {
      fArrowPressed = true;
      DropDown();
    } else {
      fIsDown = true;
      if (fKind == kcbkDropDown) DropDown();
    }
    Invalidate();
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TkcCustomButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  bool wasDown = fIsDown;
  fIsDown = false;
  fArrowPressed = false;
  if (wasDown) Invalidate();
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TkcCustomButton::KeyDown(WORD& Key, TShiftState Shift) {
  if (fKind == kcbkDropDownButton && (Key == VK_UP || Key == VK_DOWN) &&
      (Shift.Contains(ssAlt) || Shift.Contains(ssShift))) {
    if (!fMenuVisible) DropDown();
    Key = 0;
    return;
  }
  if ((Key == VK_SPACE || Key == VK_RETURN) && Shift.Empty()) {
    Key = 0;
    Click();
    return;
  }
  TCustomControl::KeyDown(Key, Shift);
}

bool TkcCustomButton::DoDropDownMenuPopup(TPopupMenu*& AMenu) {
  bool handled = false;
  if (OnDropDownMenuPopup) OnDropDownMenuPopup(this, AMenu, handled);
  return handled;
}

void TkcCustomButton::DropDown() {
  if (fKind == kcbkStandard) return;
  TPopupMenu* menu = fDropDownMenu;
  if (DoDropDownMenuPopup(menu) || !menu) return;
  fMenuVisible = true;
  Repaint();
  TPoint p = ClientToScreen(TPoint{0, Height()});
  TRect work = GetDesktopWorkArea(p);
  // A menu that does not fit below the button opens above it.
  int menuHeight = GetPopupMenuHeight(menu);
  if (p.y + menuHeight > work.bottom) p.y -= menuHeight + Height() + 2;
  menu->PopupComponent = this;
  menu->Popup(p.x, p.y);
  // The menu's loop has ended: the button is up again.
  TPoint cursor;
  GetMouseCursorPos(cursor);
  fIsHot = GetPainterClass()->IsButtonHotTrackingEnabled() && WindowFromPoint(cursor) == Handle();
  fMenuVisible = false;
  fArrowPressed = false;
  Invalidate();
}

void TkcCustomButton::Click() {
  if (fClosedByClick) {
    fClosedByClick = false;
    return;
  }
  // A drop-down button's face only opens its menu.
  if (fKind == kcbkDropDown) return;
  if (fModalResult != 0)
    if (TCustomForm* f = GetParentForm()) f->SetModalResult(fModalResult);
  TCustomControl::Click();
}

void TkcCustomButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_ENABLEDCHANGED:
      if (!Enabled()) fIsHot = false;
      Invalidate();
      break;
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
    case CM_FOCUSCHANGED: Invalidate(); break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Invalidate(); break;
    case WM_ERASEBKGND: Message.Result = 1; return;
    case CM_DIALOGKEY: {
      // Enter clicks the focused button, else the default one unless another button has the
      // focus; Escape clicks the cancel button.
      TCustomForm* f = GetParentForm();
      TWinControl* active = f ? f->ActiveControl() : nullptr;
      bool otherButtonFocused =
          active && active != this && (dynamic_cast<TButton*>(active) || dynamic_cast<TkcCustomButton*>(active));
      bool enter = Message.WParam == VK_RETURN && (active == this || (fDefault && !otherButtonFocused));
      if ((enter || (Message.WParam == VK_ESCAPE && fCancel)) && CanFocus()) {
        Click();
        Message.Result = 1;
      }
      return;
    }
    default: break;
  }
  TCustomControl::Dispatch(Message);
}
