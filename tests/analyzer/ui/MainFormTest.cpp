// The main window: its states and actions, the query display on the embedded engine, the
// error handler, history and files, printing; cancel and closing on the loopback server.

#include "MainFormTestUtil.h"

#include <chrono>
#include <thread>

#include "analyzer/QueryDM.h"
#include "analyzer/ServerConnectionDM.h"
#include "analyzer/ui/PrintGeometry.h"
#include "platform/gdi/Printers.h"
#include "platform/ib/IBErrors.h"
#include "support/FbFixture.h"

namespace {

struct TWindow {
  TfrmMain* form;
  explicit TWindow(TWindowSession& s) : form(new TfrmMain(nullptr)) {
    (void)s;
    form->Show();
  }
  ~TWindow() { form->Free(); }
  TfrmMain* operator->() const { return form; }
  String Panel(int i) const { return form->StatusBar->Panels(i)->Text; }
};

// Which of the state-bound actions are on, as "CDPEX" letters (Connect, Disconnect, Prepare,
// Execute, Cancel) with "-" for off.
String Enabled(TfrmMain* f) {
  String s;
  s += f->actConnect->Enabled() ? 'C' : '-';
  s += f->actDisconnect->Enabled() ? 'D' : '-';
  s += f->actPrepare->Enabled() ? 'P' : '-';
  s += f->actExecuteSQL->Enabled() ? 'E' : '-';
  s += f->actCancelQuery->Enabled() ? 'X' : '-';
  return s;
}

// Connects through the dialog as a user would: the database name typed, Enter.
void ConnectByDialog(TWindowSession& s, TWindow& w, const String& database) {
  s.Script([&s, database] {
    s.QueueText(database);
    s.QueuePress(VK_RETURN);
  });
  w->actConnect->Execute();
}

void TypeSQL(TWindowSession& s, TWindow& w, const String& sql) {
  w->memSQL->SetText("");
  w->memSQL->Control()->SetFocus();
  s.Type(sql);
}

}  // namespace

TEST(GuiMainWindow, StatesActionsAndPanels) {
  TWindowSession s;
  TWindow w(s);
  // Started and shown, disconnected.
  EXPECT_EQ(w->Caption(), "InterBase Vantorelle");
  EXPECT_EQ(w.Panel(0), "1: 1");
  EXPECT_EQ(w.Panel(1), "");
  EXPECT_EQ(w.Panel(2), "Use File->Connect to connect to a database");
  EXPECT_EQ(Enabled(w.form), "C----");
  for (TAction* a : {w->actOpenSQL, w->actOptions, w->actHelpContents, w->actHelpAbout}) EXPECT_TRUE(a->Enabled());
  for (TAction* a : {w->actPrevious, w->actNext, w->actSaveSQL, w->actSetIndexStatistics})
    EXPECT_FALSE(a->Enabled()) << a->Caption();

  // The state table.
  struct Case {
    TUIState state;
    bool cancelEnabled;
    const char* panel;
    const char* actions;
  };
  for (Case c : {Case{usFetching, false, "Fetching result set...", "----X"},
                 Case{usRunning, true, "Query running...", "----X"}, Case{usRunning, false, "Query running...", "-----"},
                 Case{usIdle, false, "", "CDPE-"},
                 Case{usDisconnected, false, "Use File->Connect to connect to a database", "C----"}}) {
    w->dmQuery->CancelEnabled = c.cancelEnabled;
    w->actSetIndexStatistics->SetEnabled(true);
    w->SetUIState(c.state);
    EXPECT_EQ(w.Panel(2), c.panel) << c.state;
    EXPECT_EQ(Enabled(w.form), c.actions) << c.state;
    EXPECT_FALSE(w->actSetIndexStatistics->Enabled());
  }

  // Typing enables Save SQL and moves the caret panel; other pages show no caret.
  TypeSQL(s, w, "select 1\rfrom x");
  EXPECT_TRUE(w->actSaveSQL->Enabled());
  EXPECT_EQ(w.Panel(0), "7: 2");
  const char* captions[] = {"Print SQL", "Print PLAN Tree", "Print Chart"};
  for (int page : {1, 2, 0}) {
    w->SetActivePage(page);
    EXPECT_EQ(w->actFilePrint->Caption(), captions[page]);
    EXPECT_EQ(w.Panel(0), page == 0 ? "7: 2" : "");
  }
  // The editing actions follow the editor.
  w->memSQL->Control()->SetFocus();
  Application->DoIdle();
  EXPECT_FALSE(w->actSECopy->Enabled());
  EXPECT_TRUE(w->actSEUndo->Enabled());
  s.Ctrl('A');
  Application->DoIdle();
  EXPECT_TRUE(w->actSECopy->Enabled());
  w->actSEDelete->Execute();
  EXPECT_EQ(w->memSQL->Text(), "");
  w->actSEUndo->Execute();
  EXPECT_EQ(w->memSQL->Text(), "select 1\r\nfrom x");
}

TEST(PrintGeometry, PageAndPictureRectangles) {
  TRect page, image;
  ASSERT_TRUE(PrintBitmapRects(600, 600, 5100, 6600, 300, 600, page, image));
  EXPECT_EQ(page, (TRect{600, 600, 4650, 6000}));
  EXPECT_EQ(image, (TRect{600, 600, 2475, 4350}));
  // Nothing to draw: no picture, or a printer without a resolution (no division by zero).
  EXPECT_FALSE(PrintBitmapRects(600, 600, 5100, 6600, 0, 600, page, image));
  EXPECT_FALSE(PrintBitmapRects(0, 0, 5100, 6600, 300, 600, page, image));
}
