// Printing to PDF, the named bitmaps, the check-box bitmap and image lists.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

#include "platform/gdi/FontMetrics.h"
#include "platform/gdi/GdiResources.h"
#include "platform/gdi/GuiApplication.h"
#include "platform/gdi/ImageList.h"
#include "platform/gdi/Printers.h"
#include "platform/gdi/WinGdi.h"
#include "support/Shell.h"

namespace {

// The installed fonts and the PDF writer need the GUI application object.
class GuiEnvironment : public ::testing::Environment {
public:
  void SetUp() override { EnsureGuiApplication(); }
};
const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

}  // namespace

TEST(GdiPrinter, TwoPageDocumentToPdf) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "vt_gdi_print_test.pdf";
  std::filesystem::remove(file);
  TPrinter printer;
  ASSERT_EQ(printer.PrinterCount(), 0);  // no printer installed here: the no-printer geometry
  EXPECT_EQ(printer.PageWidth(), 2358);
  EXPECT_EQ(printer.PageHeight(), 3407);
  EXPECT_EQ(GetDeviceCaps(printer.Handle(), PHYSICALWIDTH), 2481);
  EXPECT_EQ(GetDeviceCaps(printer.Handle(), PHYSICALOFFSETX), 65);
  EXPECT_EQ(GetDeviceCaps(printer.Handle(), LOGPIXELSY), 300);

  printer.SetTitle("Plan");
  printer.SetOutputFileName(file.string());
  printer.BeginDoc();
  EXPECT_THROW(printer.BeginDoc(), EPrinter);
  HDC dc = printer.Handle();
  HFONT font = CreateFont(-50, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  HFONT old = SelectObject(dc, font);
  TextOut(dc, 100, 100, "First page text");
  RECT box{100, 300, 1000, 400};
  FillRect(dc, &box, GetStockBrush(GRAY_BRUSH));
  printer.NewPage();
  TextOut(dc, 100, 100, "Second page text");
  EXPECT_EQ(printer.PageNumber(), 2);
  printer.EndDoc();
  printer.EndDoc();  // harmless
  SelectObject(dc, old);
  DeleteObject(font);

  ASSERT_TRUE(std::filesystem::exists(file));
  const std::string info = ShellOutput("pdfinfo '" + file.string() + "'");
  const std::size_t pages = info.find("Pages:");
  ASSERT_NE(pages, std::string::npos) << info;
  EXPECT_EQ(std::stoi(info.substr(pages + 6)), 2) << info;
  const std::string text = ShellOutput("pdftotext '" + file.string() + "' -");
  EXPECT_NE(text.find("First page text"), std::string::npos) << text;
  EXPECT_NE(text.find("Second page text"), std::string::npos) << text;

  // An aborted job leaves no file, and EndDoc afterwards does nothing.
  std::filesystem::remove(file);
  printer.BeginDoc();
  printer.Abort();
  printer.EndDoc();
  EXPECT_TRUE(printer.Aborted());
  EXPECT_FALSE(std::filesystem::exists(file));
}

// Without a printer and a chosen file every job lands in a file of its own: the documents folder
// is made when missing, the home folder takes the job when it cannot be, and a taken name gets
// a number. The printer's setup (file, orientation) holds for the jobs after it.
TEST(GdiPrinter, EachJobLandsInAFileOfItsOwn) {
  namespace fs = std::filesystem;
  const fs::path home = fs::temp_directory_path() / ("vt_gdi_print_home_" + std::to_string(::getpid()));
  fs::remove_all(home);
  fs::create_directories(home / "config");
  const char* oldHome = std::getenv("HOME");
  const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
  const std::string savedHome = oldHome ? oldHome : "", savedConfig = oldConfig ? oldConfig : "";
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  TPrinter printer;
  ASSERT_EQ(printer.PrinterCount(), 0);
  auto job = [&](const String& title) {
    printer.SetTitle(title);
    printer.BeginDoc();
    TextOut(printer.Handle(), 100, 100, "text");
    printer.EndDoc();
    return printer.LastOutputFile();
  };
  const fs::path documents = home / "Documents";
  EXPECT_EQ(job("Plan"), (documents / "Plan.pdf").string());
  EXPECT_EQ(job("Plan"), (documents / "Plan (2).pdf").string());
  EXPECT_EQ(job("A/B"), (documents / "A_B.pdf").string());
  EXPECT_TRUE(fs::exists(documents / "Plan (2).pdf"));
  // A documents folder that cannot be made: the home folder.
  fs::remove_all(documents);
  { std::ofstream(documents.string()) << "a file where the folder would be"; }
  EXPECT_EQ(job("Plan"), (home / "Plan.pdf").string());

  // The setup's file and orientation apply to the next jobs.
  TPrinterSetup setup = printer.Setup();
  EXPECT_EQ(setup.Orientation, poPortrait);
  setup.OutputFileName = (home / "chosen.pdf").string();
  setup.Orientation = poLandscape;
  printer.SetSetup(setup);
  EXPECT_GT(printer.PageWidth(), printer.PageHeight());
  EXPECT_EQ(job("Plan"), setup.OutputFileName);
  const std::string info = ShellOutput("pdfinfo '" + setup.OutputFileName + "'");
  EXPECT_NE(info.find("842 x 595 pts"), std::string::npos) << info;  // A4 landscape
  printer.SetSetup(TPrinterSetup{});
  EXPECT_EQ(printer.PageWidth(), 2358);

  ::setenv("HOME", savedHome.c_str(), 1);
  if (oldConfig)
    ::setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
  fs::remove_all(home);
}

TEST(GdiResources, NamedBitmapsAndCheckBoxes) {
  for (const std::string& name : NamedBitmapNames()) {
    HBITMAP b = LoadNamedBitmap(name);
    EXPECT_TRUE(b) << name;
    DeleteObject(b);
  }
  struct Case {
    const char* name;
    SIZE size;
  };
  for (const Case& c : {Case{"KCEXPANDBUTTON_PLUS", {11, 11}}, Case{"kc_arrowbitmap", {8, 9}},
                        Case{"SxEditInternalImages", {160, 16}}}) {
    HBITMAP b = LoadBitmap(HINSTANCE(), c.name);
    EXPECT_EQ(GetBitmapSize(b), c.size) << c.name;
    DeleteObject(b);
  }
  EXPECT_FALSE(LoadNamedBitmap("NO_SUCH_BITMAP"));

  // The check-box bitmap: 4 x 3 cells of 13; a checked cell differs from an unchecked one.
  HBITMAP boxes = LoadBitmap(HINSTANCE(), OBM_CHECKBOXES);
  ASSERT_EQ(GetBitmapSize(boxes), (SIZE{52, 39}));
  const Surface& s = *BitmapSurface(boxes);
  int differing = 0;
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 13; ++x) differing += s.At(x, y) != s.At(13 + x, y);
  EXPECT_GT(differing, 10);
  DeleteObject(boxes);
}

TEST(GdiImageList, MaskedDrawingNormalAndDisabled) {
  // Two 2 x 1 images: [red, olive] and [olive, black]; olive is the mask colour.
  const COLORREF red = RGB(255, 0, 0), olive = RGB(128, 128, 0), white = RGB(255, 255, 255);
  HBITMAP strip = CreateBitmap(4, 1, 1, 32, nullptr);
  Surface& px = *BitmapSurface(strip);
  px.Set(0, 0, PixelFromColor(red));
  px.Set(1, 0, PixelFromColor(olive));
  px.Set(2, 0, PixelFromColor(olive));
  px.Set(3, 0, PixelFromColor(RGB(0, 0, 0)));
  HIMAGELIST list = ImageList_Create(2, 1, ILC_MASK | ILC_COLOR32, 2, 2);
  EXPECT_EQ(ImageList_AddMasked(list, strip, olive), 0);
  EXPECT_EQ(ImageList_GetImageCount(list), 2);

  auto surface = std::make_shared<Surface>(4, 2);
  HDC dc = CreateSurfaceDC(surface, POINT{}, HRGN());
  ImageList_Draw(list, 0, dc, 0, 0, ILD_NORMAL);
  EXPECT_EQ(ColorFromPixel(surface->At(0, 0)), red);
  EXPECT_EQ(ColorFromPixel(surface->At(1, 0)), white);  // transparent
  // Disabled: the shape in button highlight at (+1, +1), then in button shadow.
  ImageList_DrawDisabled(list, 1, dc, 2, 0);
  EXPECT_EQ(ColorFromPixel(surface->At(2, 0)), white);
  EXPECT_EQ(ColorFromPixel(surface->At(3, 0)), GetSysColor(COLOR_BTNSHADOW));
  ImageList_Remove(list, 0);
  EXPECT_EQ(ImageList_GetImageCount(list), 1);
  EXPECT_FALSE(ImageList_Draw(list, 1, dc, 0, 0, ILD_NORMAL));
  DeleteDC(dc);
  ImageList_Destroy(list);
  DeleteObject(strip);
}

TEST(GdiInstalledFonts, SubstitutedFacesMeasureWhatTheyDraw) {
  EXPECT_EQ(SubstituteFaceName("Courier New"), "Liberation Mono");
  EXPECT_EQ(SubstituteFaceName("tahoma"), "Liberation Sans");
  EXPECT_EQ(SubstituteFaceName(""), "DejaVu Sans");

  auto surface = std::make_shared<Surface>(200, 40);
  HDC dc = CreateSurfaceDC(surface, POINT{}, HRGN());
  HFONT font = CreateFont(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Courier New");
  HFONT old = SelectObject(dc, font);
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  EXPECT_EQ(tm.tmPitchAndFamily & TMPF_FIXED_PITCH, 0);  // fixed pitch
  EXPECT_GE(tm.tmHeight, 16);
  SIZE size;
  GetTextExtentPoint32(dc, "MiW", &size);
  EXPECT_EQ(size.cx, 3 * GetCharAdvances(dc, "M")[0]);
  SetBkMode(dc, TRANSPARENT);
  TextOut(dc, 10, 5, "MiW");
  // Ink only inside the measured cell.
  int inside = 0, outside = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x) {
      if ((surface->At(x, y) & 0xFFFFFF) == 0xFFFFFF) continue;
      const bool in = x >= 10 && x < 10 + size.cx && y >= 5 && y < 5 + size.cy;
      (in ? inside : outside)++;
    }
  EXPECT_GT(inside, 20);
  EXPECT_EQ(outside, 0);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
}

// A DC keeps what draws its text between calls: the text still goes to the pixels the DC has
// now (another bitmap, a resized surface) and each call's clip is its own.
TEST(GdiInstalledFonts, TextFollowsTheTargetAndItsClip) {
  HFONT font = CreateFont(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Courier New");
  auto inked = [](const Surface& s, int x0, int x1) {
    int n = 0;
    for (int y = 0; y < s.Height(); ++y)
      for (int x = std::max(x0, 0); x < std::min(x1, s.Width()); ++x) n += (s.At(x, y) & 0xFFFFFF) != 0xFFFFFF;
    return n;
  };
  HDC mem = CreateCompatibleDC(HDC());
  HBITMAP a = CreateBitmap(60, 30, 1, 32, nullptr), b = CreateBitmap(90, 30, 1, 32, nullptr);
  HFONT oldFont = SelectObject(mem, font);
  SetBkMode(mem, TRANSPARENT);
  HBITMAP oldBitmap = SelectObject(mem, a);
  TextOut(mem, 2, 2, "WW");
  SelectObject(mem, b);
  TextOut(mem, 40, 2, "WW");
  EXPECT_GT(inked(*BitmapSurface(b), 40, 90), 20);
  EXPECT_EQ(inked(*BitmapSurface(b), 0, 40), 0);
  SelectObject(mem, oldBitmap);
  SelectObject(mem, oldFont);
  DeleteDC(mem);
  DeleteObject(a);
  DeleteObject(b);

  auto surface = std::make_shared<Surface>(100, 30);
  HDC dc = CreateSurfaceDC(surface, POINT{}, HRGN());
  oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  const RECT left{0, 0, 20, 30};
  ExtTextOut(dc, 2, 2, ETO_CLIPPED, &left, "WWWWWW", nullptr);
  EXPECT_GT(inked(*surface, 0, 20), 10);
  EXPECT_EQ(inked(*surface, 20, 100), 0);
  TextOut(dc, 40, 2, "WW");  // not held to the last call's clip
  EXPECT_GT(inked(*surface, 40, 100), 20);
  surface->Resize(300, 30);  // new pixel memory
  surface->Fill(0xFFFFFFFFu);
  TextOut(dc, 40, 2, "WW");
  EXPECT_GT(inked(*surface, 40, 100), 20);
  SelectObject(dc, oldFont);
  DeleteDC(dc);
  DeleteObject(font);
}
