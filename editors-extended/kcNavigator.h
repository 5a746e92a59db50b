#pragma once
// Record navigation buttons: fifteen buttons with hints and images, enabled by the data they
// move over, and the view that lays them out in a row, paints them, tracks the hot, pressed
// and focused buttons, repeats prior and next while held, and shows hints.

#include <vector>

#include "controls/kcControlUtils.h"
#include "controls/kcGraphics.h"
#include "controls/kcLookAndFeel.h"
#include "controls/kcLookAndFeelPainters.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/ImgList.h"

class TkcCustomNavigatorButtons;
class TkcNavigatorControlNotifier;

enum : int {
  NBDI_FIRST,
  NBDI_PRIORPAGE,
  NBDI_PRIOR,
  NBDI_NEXT,
  NBDI_NEXTPAGE,
  NBDI_LAST,
  NBDI_INSERT,
  NBDI_DELETE,
  NBDI_EDIT,
  NBDI_POST,
  NBDI_CANCEL,
  NBDI_REFRESH,
  NBDI_SAVEBOOKMARK,
  NBDI_GOTOBOOKMARK,
  NBDI_FILTER
};
constexpr int kcNavigatorButtonCount = 15;

// The side that shows the navigator. Change types: 0 hint or handlers, 1 visibility,
// 2 enabled state or images.
struct IkcNavigatorOwner : IInterface {
  VT_INTERFACE("{504B7F43-8847-46C5-B84A-C24F8E5E61A6}")
  virtual void NavigatorChanged(int AChangeType) = 0;
  virtual TRect GetNavigatorBounds() = 0;
  virtual TkcCustomNavigatorButtons* GetNavigatorButtons() = 0;
  virtual TCanvas* GetNavigatorCanvas() = 0;
  virtual TWinControl* GetNavigatorControl() = 0;
  virtual bool GetNavigatorFocused() = 0;
  virtual TkcLookAndFeel* GetNavigatorLookAndFeel() = 0;
  virtual TComponent* GetNavigatorOwner() = 0;
  virtual bool GetNavigatorShowHint() = 0;
  virtual bool GetNavigatorTabStop() = 0;
  virtual void NavigatorStateChanged() = 0;
  virtual void RefreshNavigator() = 0;

protected:
  ~IkcNavigatorOwner() = default;
};

// The data the buttons move over.
struct IkcNavigator : IInterface {
  VT_INTERFACE("{A15F80CA-DE56-47CB-B0EB-035D0BF90E9D}")
  virtual bool CanDelete() = 0;
  virtual bool CanEdit() = 0;
  virtual bool CanInsert() = 0;
  virtual bool IsActive() = 0;
  virtual bool IsBof() = 0;
  virtual bool IsBookmarkAvailable() = 0;
  virtual bool IsEditing() = 0;
  virtual bool IsEof() = 0;
  virtual void ClearBookmark() = 0;
  virtual void DoAction(int AButtonIndex) = 0;
  virtual TkcNavigatorControlNotifier* GetNotifier() = 0;
  virtual bool IsActionSupported(int) { return true; }

protected:
  ~IkcNavigator() = default;
};

class TkcNavigatorButton : public TPersistent {
  VT_CLASS(TkcNavigatorButton, TPersistent)
public:
  TkcNavigatorButton(TkcCustomNavigatorButtons* AButtons, int ADefaultIndex);
  void Assign(TPersistent* Source) override;
  virtual void Click();

  TkcCustomNavigatorButtons* Buttons() const { return fButtons; }
  int DefaultIndex() const { return fDefaultIndex; }
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool Value);
  const String& Hint() const { return fHint; }
  void SetHint(const String& Value);
  int ImageIndex() const { return fImageIndex; }
  void SetImageIndex(int Value);
  bool Visible() const { return fVisible; }
  // A user's assignment: stored even when it does not change the value.
  void SetVisible(bool Value);
  bool IsVisibleStored() const { return fVisibleAssigned; }
  const TNotifyEvent& OnClick() const { return fOnClick; }
  void SetOnClick(TNotifyEvent Value);

  // What the view shows.
  bool IsEnabled() const;
  String GetHint() const;
  TCustomImageList* GetImages() const;
  int GetImageIndex() const;
  TSize GetImageSize() const;

protected:
  TPersistent* GetOwner() override;

private:
  TkcCustomNavigatorButtons* fButtons;
  int fDefaultIndex;
  bool fEnabled = true;
  bool fVisible = true;
  bool fVisibleAssigned = false;
  int fImageIndex = -1;
  String fHint;
  TNotifyEvent fOnClick;
};

using TkcNavigatorButtonClickEvent = TEvent<void(TObject* Sender, int AButtonIndex, bool& ADone)>;

class TkcCustomNavigatorButtons : public TPersistent {
  VT_CLASS(TkcCustomNavigatorButtons, TPersistent)
public:
  explicit TkcCustomNavigatorButtons(IkcNavigatorOwner* ANavigatorOwner);
  ~TkcCustomNavigatorButtons() override;
  void Assign(TPersistent* Source) override;

  IkcNavigatorOwner* NavigatorOwner() const { return fNavigatorOwner; }
  int ButtonCount() const { return kcNavigatorButtonCount; }
  TkcNavigatorButton* Buttons(int Index) const { return fButtons.at(static_cast<std::size_t>(Index)).get(); }
  bool ConfirmDelete() const { return fConfirmDelete; }
  void SetConfirmDelete(bool Value);
  TCustomImageList* Images() const { return fImages; }
  void SetImages(TCustomImageList* Value);
  const TkcNavigatorButtonClickEvent& OnButtonClick() const { return fOnButtonClick; }
  void SetOnButtonClick(TkcNavigatorButtonClickEvent Value);

  virtual void DoButtonClick(int) {}
  virtual bool IsButtonEnabled(int AButtonIndex);
  virtual String GetButtonHint(int AButtonIndex);
  virtual void ReleaseBookmark() {}

protected:
  TPersistent* GetOwner() override;

private:
  friend class TkcNavigatorButton;
  void Changed(int AChangeType, bool ARefresh);
  IkcNavigatorOwner* fNavigatorOwner;
  std::vector<std::unique_ptr<TkcNavigatorButton>> fButtons;
  bool fConfirmDelete = true;
  TCustomImageList* fImages = nullptr;
  TkcNavigatorButtonClickEvent fOnButtonClick;
};

class TkcNavigatorControlButtons : public TkcCustomNavigatorButtons {
  VT_CLASS(TkcNavigatorControlButtons, TkcCustomNavigatorButtons)
public:
  using TkcCustomNavigatorButtons::TkcCustomNavigatorButtons;
  void DoButtonClick(int AButtonIndex) override;
  bool IsButtonEnabled(int AButtonIndex) override;
  void ReleaseBookmark() override;
  std::function<IkcNavigator*()> OnGetNavigator;

private:
  IkcNavigator* Navigator() const { return OnGetNavigator ? OnGetNavigator() : nullptr; }
};

// The owners showing the navigators of one data side.
class TkcNavigatorControlNotifier : public TObject {
  VT_CLASS(TkcNavigatorControlNotifier, TObject)
public:
  void AddNavigator(IkcNavigatorOwner* ANavigator);
  void RemoveNavigator(IkcNavigatorOwner* ANavigator);
  void RefreshNavigators();

private:
  std::vector<IkcNavigatorOwner*> fNavigators;
};

// The process's default button images: 12 x 11, one per button index.
TCustomImageList* NavigatorImages();

// ---- View ------------------------------------------------------------------------------------

class TkcNavigatorButtonViewInfo : public TObject {
  VT_CLASS(TkcNavigatorButtonViewInfo, TObject)
public:
  TkcNavigatorButton* Button = nullptr;
  TRect Bounds{};
  bool Enabled = true;
  String Hint;
};

class TkcNavigatorViewInfo : public TObject {
  VT_CLASS(TkcNavigatorViewInfo, TObject)
public:
  TkcNavigatorViewInfo(IkcNavigatorOwner* ANavigator, bool AIsInplace);
  ~TkcNavigatorViewInfo() override;

  void Calculate();
  void CalculateBounds(int& AWidth, int& AHeight, bool AFlag);
  void MakeDirty() { fIsDirty = true; }
  bool IsDirty() const { return fIsDirty; }
  void MouseDown(int X, int Y);
  void MouseMove(int X, int Y);
  void MouseUp();
  void Paint();
  void CheckButtonsEnabled();

  int ButtonCount() const { return static_cast<int>(fButtons.size()); }
  TkcNavigatorButtonViewInfo* Buttons(int Index) const { return fButtons.at(static_cast<std::size_t>(Index)).get(); }
  TkcNavigatorButtonViewInfo* GetButtonAt(const TPoint& P) const;
  TkcNavigatorButtonViewInfo* HotButton() const { return fHotButton; }
  TkcNavigatorButtonViewInfo* PressedButton() const { return fPressedButton; }
  TkcNavigatorButton* FocusedButton();
  bool Selected() const { return fSelected; }
  TkcTimer* ButtonPressTimer() const { return fButtonPressTimer.get(); }
  TkcTimer* HintTimer() const { return fHintTimer.get(); }
  // The hint shown now (empty when none) and its window.
  const String& ShownHint() const { return fShownHint; }
  THintWindow* HintWindow() const { return fHintWindow.get(); }
  TkcButtonState GetButtonState(TkcNavigatorButtonViewInfo* AButton) const;

private:
  TkcNavigatorButtonViewInfo* ViewInfoOf(TkcNavigatorButton* AButton) const;
  TSize ButtonSize(TkcNavigatorButton* AButton, int AIndex, int ACount, bool AFlag) const;
  TkcLookAndFeelPainterClass Painter() const;
  void InvalidateButton(TkcNavigatorButtonViewInfo* AButton);
  void PaintButton(TkcCanvas* ACanvas, TkcNavigatorButtonViewInfo* AButton, int AIndex);
  void UpdateSelected();
  void ButtonPressTimerHandler(TObject*);
  void HintTimerHandler(TObject*);
  void ShowHint(bool AShow);
  IkcNavigatorOwner* fNavigator;
  bool fIsDirty = true;
  bool fIsInplace;
  bool fSelected = false;
  std::vector<std::unique_ptr<TkcNavigatorButtonViewInfo>> fButtons;
  TkcNavigatorButtonViewInfo* fHotButton = nullptr;
  TkcNavigatorButtonViewInfo* fPressedButton = nullptr;
  TkcNavigatorButton* fFocusedButton = nullptr;
  std::unique_ptr<TkcTimer> fButtonPressTimer, fHintTimer;
  String fShownHint;
  std::unique_ptr<THintWindow> fHintWindow;
};
