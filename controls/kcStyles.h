#pragma once
// Styles (colour, text colour, font, bitmap, each with an assigned flag), styles objects that
// map numbered slots of a view to styles, style sheets shared by several views, and the style
// repository that owns styles and sheets.

#include <memory>
#include <vector>

#include "controls/kcClasses.h"
#include "controls/kcGraphics.h"

enum TkcStyleValue { svBitmap, svColor, svFont, svTextColor };
using TkcStyleValues = TSet<TkcStyleValue, 4>;

class TkcCustomStyle;
class TkcCustomStyles;
class TkcCustomStyleSheet;
class TkcStyleRepository;

struct IkcStyleListener : IInterface {
  VT_INTERFACE("{4A9E7C31-52B4-4E0D-9D52-6C1C8F0E2A11}")
  virtual void NotifyStyleChanged(TkcCustomStyle* Sender) = 0;
  virtual void NotifyStyleRemoved(TkcCustomStyle* Sender) = 0;
};

class TkcCustomStyle : public TComponent {
  VT_CLASS(TkcCustomStyle, TComponent)
public:
  explicit TkcCustomStyle(TComponent* AOwner) : TComponent(AOwner) {}
  ~TkcCustomStyle() override;
  virtual void AnnounceChange();
  virtual void AddStyleListener(IkcStyleListener* AListener);
  virtual void RemoveStyleListener(IkcStyleListener* AListener);
  virtual void ResetValues() {}
  TkcStyleRepository* StyleRepository() const { return fStyleRepository; }
  void SetStyleRepository(TkcStyleRepository* Value);
  int ListenerCount() const { return static_cast<int>(fListeners.size()); }

private:
  std::vector<IkcStyleListener*> fListeners;
  TkcStyleRepository* fStyleRepository = nullptr;
};

class TkcStyle : public TkcCustomStyle {
  VT_CLASS(TkcStyle, TkcCustomStyle)
public:
  explicit TkcStyle(TComponent* AOwner);
  ~TkcStyle() override;
  void Assign(TPersistent* Source) override;
  void ResetValues() override;

  TkcStyleValues AssignedValues() const { return fAssignedValues; }
  void SetAssignedValues(TkcStyleValues Value);
  TColor Color() const { return fColor; }
  void SetColor(TColor Value);
  TColor TextColor() const { return fTextColor; }
  void SetTextColor(TColor Value);
  TBitmap* Bitmap() const { return fBitmap.get(); }
  void SetBitmap(TBitmap* Value);
  TFont* Font() const { return fFont.get(); }
  void SetFont(TFont* Value);

private:
  void FontChanged(TObject* Sender);
  void SetColorValue(TColor& AField, TColor Value, TkcStyleValue AValue);
  TkcStyleValues fAssignedValues;
  TColor fColor = clDefault;
  TColor fTextColor = clDefault;
  std::unique_ptr<TBitmap> fBitmap;
  std::unique_ptr<TFont> fFont;
};

bool IsStyleValueAssigned(TkcCustomStyle* AStyle, TkcStyleValue AValue);

class TkcCustomStyles : public TkcInterfacedPersistent, public IkcStyleListener {
  VT_CLASS(TkcCustomStyles, TkcInterfacedPersistent)
public:
  explicit TkcCustomStyles(TPersistent* AOwner) : TkcInterfacedPersistent(AOwner) {}
  ~TkcCustomStyles() override;
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;
  void Assign(TPersistent* Source) override;

  TkcCustomStyle* GetStyleByIndex(int Index);
  void SetStyleByIndex(int Index, TkcCustomStyle* AStyle);
  void Clear();
  int Count() const { return static_cast<int>(fItems.size()); }
  // The slot index and style at a position of the sorted items.
  int ItemIndex(int Position) const { return fItems.at(Position).Index; }
  TkcCustomStyle* ItemStyle(int Position) const { return fItems.at(Position).Style; }

  TkcCustomStyleSheet* StyleSheet() const { return fStyleSheet; }
  void SetStyleSheet(TkcCustomStyleSheet* Value);
  TkcCustomStyleSheet* OwnerStyleSheet() const { return fOwnerStyleSheet; }

  void NotifyStyleChanged(TkcCustomStyle* Sender) override;
  void NotifyStyleRemoved(TkcCustomStyle* Sender) override;
  void DoStyleIndexChanged(int Index);

protected:
  virtual void Changed(int /*Index*/) {}
  bool IsDestroying() const { return fDestroying; }

private:
  friend class TkcCustomStyleSheet;
  struct Item {
    int Index;
    TkcCustomStyle* Style;
  };
  bool FindItem(int Index, int& Position) const;
  void DeleteItem(int Position);
  bool IsOwnerBeingWritten();
  std::vector<Item> fItems;
  TkcCustomStyleSheet* fStyleSheet = nullptr;
  TkcCustomStyleSheet* fOwnerStyleSheet = nullptr;
  bool fDestroying = false;
};

class TkcStyles : public TkcCustomStyles {
  VT_CLASS(TkcStyles, TkcCustomStyles)
public:
  explicit TkcStyles(TPersistent* AOwner) : TkcCustomStyles(AOwner) {}
  // Each value from AStyle, then the slot's style, then GetDefaultVisualParams.
  TkcVisualParams GetVisualParams(int Index, TObject* AData = nullptr, TkcCustomStyle* AStyle = nullptr);
  virtual TkcVisualParams GetDefaultVisualParams(int Index, TObject* AData);
  virtual bool UsesDefaultFont(int Index);
  TBitmap* GetStyleBitmap(int Index);
  TkcStyle* GetIndexedStyle(int Index) { return dynamic_cast<TkcStyle*>(GetStyleByIndex(Index)); }
  void SetIndexedStyle(int Index, TkcStyle* AStyle) { SetStyleByIndex(Index, AStyle); }
  // A default font changed: slots that use it report a change.
  void FontChanged(TFont* AFont);
  bool BitmapsInVisualParams = false;

private:
  int fMaxDefaultIndex = -1;
};

using TkcCustomStylesClass = TClassOf<TkcCustomStyles, TPersistent*>;

class TkcCustomStyleSheet : public TkcComponent {
  VT_CLASS(TkcCustomStyleSheet, TkcComponent)
public:
  explicit TkcCustomStyleSheet(TComponent* AOwner);
  ~TkcCustomStyleSheet() override;
  void Assign(TPersistent* Source) override;
  virtual TkcCustomStylesClass GetSheetStylesClass() { return TkcCustomStyles::StaticClass(); }

  String Caption() const { return fCaption.empty() ? Name() : fCaption; }
  void SetCaption(const String& Value);
  bool IsCaptionStored() const { return !fCaption.empty(); }
  // Made on first use from GetSheetStylesClass (a constructor cannot ask a descendant).
  TkcCustomStyles* Styles();
  void SetStyles(TkcCustomStyles* Value) { Styles()->Assign(Value); }
  TkcStyleRepository* StyleRepository() const { return fStyleRepository; }
  void SetStyleRepository(TkcStyleRepository* Value);
  bool BuiltIn = false;
  void SheetSlotChanged(int Index);
  int UserCount() const { return static_cast<int>(fUsers.size()); }

protected:
  void CollectFakeComponentLinks(std::vector<TComponent*>& AList) override;

private:
  friend class TkcCustomStyles;
  String fCaption;
  std::unique_ptr<TkcCustomStyles> fStyles;
  std::vector<TkcCustomStyles*> fUsers;
  TkcStyleRepository* fStyleRepository = nullptr;
};

using TkcCustomStyleClass = TClassOf<TkcCustomStyle, TComponent*>;
using TkcCustomStyleSheetClass = TClassOf<TkcCustomStyleSheet, TComponent*>;

class TkcStyleRepository : public TComponent {
  VT_CLASS(TkcStyleRepository, TComponent)
public:
  explicit TkcStyleRepository(TComponent* AOwner) : TComponent(AOwner) {}
  ~TkcStyleRepository() override;
  virtual TkcCustomStyle* NewStyle(TkcCustomStyleClass AStyleClass) { return NewStyleOwned(AStyleClass, this); }
  virtual TkcCustomStyle* NewStyleOwned(TkcCustomStyleClass AStyleClass, TComponent* AOwner);
  virtual TkcCustomStyleSheet* NewStyleSheet(TkcCustomStyleSheetClass ASheetClass) {
    return NewStyleSheetOwned(ASheetClass, this);
  }
  virtual TkcCustomStyleSheet* NewStyleSheetOwned(TkcCustomStyleSheetClass ASheetClass, TComponent* AOwner);
  int Count() const { return static_cast<int>(fStyles.size()); }
  TkcCustomStyle* Items(int Index) const { return fStyles.at(Index); }
  int StyleSheetCount() const { return static_cast<int>(fSheets.size()); }
  TkcCustomStyleSheet* StyleSheets(int Index) const { return fSheets.at(Index); }
  // The children for streaming: the styles, then the sheets, whose owner is ARoot.
  std::vector<TComponent*> GetChildren(TComponent* ARoot) const;

  // Held by the styles and sheets as they join and leave.
  std::vector<TkcCustomStyle*> fStyles;
  std::vector<TkcCustomStyleSheet*> fSheets;
};
