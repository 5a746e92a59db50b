#pragma once
// The customization form: a tool window, owned by the grid site's window, holding the view's
// pages on a page control. The table view's form lists its hidden columns; an entry dragged
// onto the view shows its column there, and a header dragged onto the form hides its column.

#include "editors/kcListBox.h"
#include "grid/kcGrid.h"
#include "grid/kcGridPopups.h"
#include "page-control/kcPC.h"
#include "platform/forms/Forms.h"

class TkcGridTableView;
class TkcGridColumn;
class TkcCustomGridItemsListBox;

class TkcCustomGridCustomizationForm : public TForm {
  VT_CLASS(TkcCustomGridCustomizationForm, TForm)
public:
  explicit TkcCustomGridCustomizationForm(TkcCustomGridController* AController);
  ~TkcCustomGridCustomizationForm() override;
  // Builds the controls; the constructor of the most derived class calls it.
  void Initialize();

  TkcCustomGridController* OwnerController() const { return fOwnerController; }
  TkcCustomGridView* GridView() const { return fOwnerController->GridView(); }
  TkcPageControl* Pages() const { return fPages; }
  int Spacing() const { return fSpacing; }
  TkcTabSheet* AddPage(const String& ACaption, bool AVisible);
  void ActivatePage(TkcTabSheet* APage);
  // Whether a screen point lies on the form's window.
  bool ContainsScreenPoint(const TPoint& P);

  virtual void CalculateConsts();
  virtual void CreateControls();
  virtual void RefreshLayout() {}
  virtual void GetContentBounds(TRect& R);
  virtual void GetPageControlBounds(TRect& R) { GetContentBounds(R); }
  virtual void CreatePages() {}
  virtual void RefreshItems() {}

protected:
  void CreateParams(TCreateParams& Params) override;
  void DoShow() override;
  void DoClose(TCloseAction& Action) override;

private:
  void WatchTimerTick(TObject*);
  TkcCustomGridController* fOwnerController;
  std::unique_ptr<TkcTimer> fWatchTimer;
  int fSpacing = 0;
  TkcPageControl* fPages = nullptr;
};

// The inner list of an items list box: a drag that leaves the drag-detect area carries the
// pressed entry; released over the view's site, the entry's item is shown there.
class TkcCustomGridItemsInnerListBox : public TkcInnerListBox {
  VT_CLASS(TkcCustomGridItemsInnerListBox, TkcInnerListBox)
public:
  explicit TkcCustomGridItemsInnerListBox(TComponent* AOwner);
  TkcCustomGridItemsListBox* ItemsListBox() const;
  int DragItemIndex() const { return fDragItemIndex; }
  bool IsDragging() const { return fDragging; }
  // Lets go of the entry and the mouse.
  void CancelDrag();

protected:
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void WndProc(TMessage& Message) override;

private:
  int fDragItemIndex = -1;
  TPoint fPressPoint{};
  bool fDragging = false;
};

class TkcCustomGridItemsListBox : public TkcListBox {
  VT_CLASS(TkcCustomGridItemsListBox, TkcListBox)
public:
  explicit TkcCustomGridItemsListBox(TkcCustomGridCustomizationForm* AForm);
  TkcCustomGridCustomizationForm* Form() const { return fForm; }
  TkcCustomGridView* GridView() const { return fForm->GridView(); }
  TObject* GetFocusedObject();
  int IndexOfItem(TObject* AItem);
  void PaintItem(TCanvas* ACanvas, const TRect& R, TObject* AItem);
  TkcInnerListBoxClass GetInnerListBoxClass() override { return TkcCustomGridItemsInnerListBox::StaticClass(); }
  bool DoDrawItem(int AIndex, const TRect& ARect, TOwnerDrawState AState) override;

  virtual int GetItemHeight() = 0;
  virtual void DrawItem(TCanvas* ACanvas, const TRect& R, bool AFocused, int AIndex) = 0;
  virtual void RefreshItems();
  // An entry dropped at a point of the view's site (client coordinates).
  virtual void DropItem(TObject* AItem, const TPoint& ASitePoint) = 0;
  // An entry dragged past the drag threshold: the view's site may carry on the drag itself
  // (with its feedback), answering True; the list then lets go of the mouse.
  virtual bool StartItemDrag(TObject*, const TPoint& /*AScreenPoint*/) { return false; }

private:
  TkcCustomGridCustomizationForm* fForm;
};

// The table view's list of hidden columns, each drawn like a column header.
class TkcGridTableColumnsListBox : public TkcCustomGridItemsListBox {
  VT_CLASS(TkcGridTableColumnsListBox, TkcCustomGridItemsListBox)
public:
  explicit TkcGridTableColumnsListBox(TkcCustomGridCustomizationForm* AForm);
  TkcGridTableView* TableView() const;
  int GetItemHeight() override;
  void DrawItem(TCanvas* ACanvas, const TRect& R, bool AFocused, int AIndex) override;
  void RefreshItems() override;
  void DropItem(TObject* AItem, const TPoint& ASitePoint) override;
  bool StartItemDrag(TObject* AItem, const TPoint& AScreenPoint) override;
};

class TkcCustomGridTableCustomizationForm : public TkcCustomGridCustomizationForm {
  VT_CLASS(TkcCustomGridTableCustomizationForm, TkcCustomGridCustomizationForm)
public:
  using TkcCustomGridCustomizationForm::TkcCustomGridCustomizationForm;
  TkcCustomGridItemsListBox* HiddenItemsList() const { return fHiddenItemsList; }
  TkcTabSheet* HiddenItemsPage() const { return fHiddenItemsPage; }
  virtual TkcCustomGridItemsListBox* CreateItemsListBox() = 0;
  virtual String GetItemsPageCaption() = 0;
  virtual bool GetItemsPageVisible() = 0;
  void CreatePages() override;
  void CreateControls() override;
  void RefreshItems() override;

private:
  TkcCustomGridItemsListBox* fHiddenItemsList = nullptr;
  TkcTabSheet* fHiddenItemsPage = nullptr;
};

class TkcGridTableCustomizationForm : public TkcCustomGridTableCustomizationForm {
  VT_CLASS(TkcGridTableCustomizationForm, TkcCustomGridTableCustomizationForm)
public:
  explicit TkcGridTableCustomizationForm(TkcCustomGridController* AController);
  TkcCustomGridItemsListBox* CreateItemsListBox() override;
  String GetItemsPageCaption() override { return "Columns"; }
  bool GetItemsPageVisible() override;
};

// The quick columns list; a check also reports the column through the view's OnColumnPosChanged.
class TkcGridColumnsCustomizationPopup : public TkcCustomGridItemsCustomizationPopup {
  VT_CLASS(TkcGridColumnsCustomizationPopup, TkcCustomGridItemsCustomizationPopup)
public:
  using TkcCustomGridItemsCustomizationPopup::TkcCustomGridItemsCustomizationPopup;

protected:
  void SetItemChecked(TObject* AItem, bool AChecked) override;
};
