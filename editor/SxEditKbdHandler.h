#pragma once
// Listener chains: the key and mouse pre-handlers of the editor, and the method chain that
// carries a highlighter's attribute changes to every editor using it.

#include <functional>
#include <vector>

#include "editor/SxEditTypes.h"
#include "platform/core/Classes.h"
#include "platform/core/WinTypes.h"

VT_DECLARE_EXCEPTION(ESxMethodChain, Exception);

using TSxKeyEvent = TEvent<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TSxKeyPressEvent = TEvent<void(TObject* Sender, char32_t& Key)>;
// Button: 0 left, 1 right, 2 middle.
using TSxMouseEvent = TEvent<void(TObject* Sender, int Button, TShiftState Shift, int X, int Y)>;
using TSxMouseCursorEvent = TEvent<void(TObject* Sender, const TBufferCoord& Pos, int& Cursor)>;

// An ordered list of listeners, removable by identity.
template <class Ev>
class TMethodList {
public:
  void Add(const Ev& e) { fItems.push_back(e); }
  // Removes every entry with the same identity, newest first.
  void Remove(const Ev& e) {
    for (std::size_t i = fItems.size(); i-- > 0;)
      if (fItems[i].SameMethod(e)) fItems.erase(fItems.begin() + static_cast<std::ptrdiff_t>(i));
  }
  int Count() const { return static_cast<int>(fItems.size()); }
  const Ev& Items(int i) const { return fItems[static_cast<std::size_t>(i)]; }
  // True when e is still listed; an event without an identity cannot be removed, so it is.
  bool Contains(const Ev& e) const {
    if (!e.Id().IsAssigned()) return true;
    for (const auto& item : fItems)
      if (item.SameMethod(e)) return true;
    return false;
  }
  // The listeners as they are now, for a walk that listeners may change.
  std::vector<Ev> Snapshot() const { return fItems; }

private:
  std::vector<Ev> fItems;
};

class TSxEditKbdHandler {
public:
  void AddKeyDownHandler(const TSxKeyEvent& e) { fKeyDown.Add(e); }
  void RemoveKeyDownHandler(const TSxKeyEvent& e) { fKeyDown.Remove(e); }
  void AddKeyUpHandler(const TSxKeyEvent& e) { fKeyUp.Add(e); }
  void RemoveKeyUpHandler(const TSxKeyEvent& e) { fKeyUp.Remove(e); }
  void AddKeyPressHandler(const TSxKeyPressEvent& e) { fKeyPress.Add(e); }
  void RemoveKeyPressHandler(const TSxKeyPressEvent& e) { fKeyPress.Remove(e); }
  void AddMouseDownHandler(const TSxMouseEvent& e) { fMouseDown.Add(e); }
  void RemoveMouseDownHandler(const TSxMouseEvent& e) { fMouseDown.Remove(e); }
  void AddMouseUpHandler(const TSxMouseEvent& e) { fMouseUp.Add(e); }
  void RemoveMouseUpHandler(const TSxMouseEvent& e) { fMouseUp.Remove(e); }
  void AddMouseCursorHandler(const TSxMouseCursorEvent& e) { fMouseCursor.Add(e); }
  void RemoveMouseCursorHandler(const TSxMouseCursorEvent& e) { fMouseCursor.Remove(e); }

  // Newest first; a key that became 0 (a character that became NUL) stops the chain.
  void ExecuteKeyDown(TObject* Sender, WORD& Key, TShiftState Shift) {
    Run(fInKeyDown, fKeyDown, [&](const TSxKeyEvent& e) {
      e(Sender, Key, Shift);
      return Key != 0;
    });
  }
  void ExecuteKeyUp(TObject* Sender, WORD& Key, TShiftState Shift) {
    Run(fInKeyUp, fKeyUp, [&](const TSxKeyEvent& e) {
      e(Sender, Key, Shift);
      return Key != 0;
    });
  }
  void ExecuteKeyPress(TObject* Sender, char32_t& Key) {
    Run(fInKeyPress, fKeyPress, [&](const TSxKeyPressEvent& e) {
      e(Sender, Key);
      return Key != 0;
    });
  }
  void ExecuteMouseDown(TObject* Sender, int Button, TShiftState Shift, int X, int Y) {
    Run(fInMouseDown, fMouseDown, [&](const TSxMouseEvent& e) {
      e(Sender, Button, Shift, X, Y);
      return true;
    });
  }
  void ExecuteMouseUp(TObject* Sender, int Button, TShiftState Shift, int X, int Y) {
    Run(fInMouseUp, fMouseUp, [&](const TSxMouseEvent& e) {
      e(Sender, Button, Shift, X, Y);
      return true;
    });
  }
  void ExecuteMouseCursor(TObject* Sender, const TBufferCoord& Pos, int& Cursor) {
    Run(fInMouseCursor, fMouseCursor, [&](const TSxMouseCursorEvent& e) {
      e(Sender, Pos, Cursor);
      return true;
    });
  }

private:
  // A handler that raises the same event again is not re-entered. A handler may add or remove
  // handlers while the chain runs: the walk covers the handlers present when it started, each
  // at most once, skipping those removed meanwhile.
  template <class Ev, class Call>
  static void Run(bool& guard, const TMethodList<Ev>& list, Call call) {
    if (guard || list.Count() == 0) return;
    guard = true;
    try {
      const std::vector<Ev> handlers = list.Snapshot();
      for (std::size_t i = handlers.size(); i-- > 0;) {
        if (!list.Contains(handlers[i])) continue;
        if (!call(handlers[i])) break;
      }
    } catch (...) {
      guard = false;
      throw;
    }
    guard = false;
  }

  TMethodList<TSxKeyEvent> fKeyDown, fKeyUp;
  TMethodList<TSxKeyPressEvent> fKeyPress;
  TMethodList<TSxMouseEvent> fMouseDown, fMouseUp;
  TMethodList<TSxMouseCursorEvent> fMouseCursor;
  bool fInKeyDown = false, fInKeyUp = false, fInKeyPress = false, fInMouseDown = false, fInMouseUp = false,
       fInMouseCursor = false;
};

class TSxMethodChain;
using TSxExceptionEvent = TEvent<void(TSxMethodChain* Sender, Exception& E, bool& DoContinue)>;

// Listeners fired in the order they were added; a failing listener is handed to the
// exception handler, which decides whether the rest still run.
class TSxMethodChain : public TObject {
  VT_CLASS(TSxMethodChain, TObject)
public:
  TSxMethodChain() = default;
  explicit TSxMethodChain(const TSxExceptionEvent& handler) : ExceptionHandler(handler) {}
  void Fire();
  int Count() const { return static_cast<int>(fMethods.size()); }

  TSxExceptionEvent ExceptionHandler;

protected:
  // Entries are notify events; descendants decide how to call one.
  virtual void ExecuteMethod(const TNotifyEvent& Method) = 0;
  virtual bool DoHandleException(Exception& E);
  void AddMethod(const TNotifyEvent& Method) { fMethods.push_back(Method); }
  bool HasMethod(const TNotifyEvent& Method) const;
  void RemoveMethod(const TNotifyEvent& Method);

private:
  std::vector<TNotifyEvent> fMethods;
};

class TSxNotifyEventChain : public TSxMethodChain {
  VT_CLASS(TSxNotifyEventChain, TSxMethodChain)
public:
  explicit TSxNotifyEventChain(TObject* ASender = nullptr) : fSender(ASender) {}
  void Add(const TNotifyEvent& AEvent) { AddMethod(AEvent); }
  void Remove(const TNotifyEvent& AEvent) { RemoveMethod(AEvent); }
  TObject* Sender() const { return fSender; }
  void SetSender(TObject* v) { fSender = v; }

protected:
  void ExecuteMethod(const TNotifyEvent& Method) override { Method(fSender); }

private:
  TObject* fSender;
};
