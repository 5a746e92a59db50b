// Message names for traces: every message number the window layer declares reads by name.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "platform/win/Messages.h"

TEST(WinMessages, NamesOfMessageNumbers) {
  struct Case {
    UINT msg;
    const char* name;
  };
  const Case cases[] = {
      {WM_KILLFOCUS, "WM_KILLFOCUS"},
      {WM_SETFONT, "WM_SETFONT"},
      {WM_GETFONT, "WM_GETFONT"},
      {WM_PRINT, "WM_PRINT"},
      {WM_SETTINGCHANGE, "WM_SETTINGCHANGE"},
      {CM_ACTIVATE, "CM_ACTIVATE"},
      {CM_ENTER, "CM_ENTER"},
      {CM_EXIT, "CM_EXIT"},
      {CM_RELEASE, "CM_RELEASE"},
      {CM_HITTEST, "CM_HITTEST"},
      {CN_KEYDOWN, "CN_KEYDOWN"},
      {EM_CHARFROMPOS, "EM_CHARFROMPOS"},
      {BM_CLICK, "BM_CLICK"},
      {LB_ITEMFROMPOINT, "LB_ITEMFROMPOINT"},
      {WM_USER + 1, "0x0401"},
      {0x8065, "0x8065"},
      {CN_BASE, "0xBC00"},
  };
  for (const Case& c : cases) EXPECT_EQ(MessageName(c.msg), c.name) << std::hex << c.msg;
}

// Guards the table against the header: a message number added there without a name fails.
TEST(WinMessages, EveryDeclaredMessageHasItsName) {
  std::ifstream in(VT_SOURCE_DIR "/platform/win/Messages.h");
  ASSERT_TRUE(in);
  std::stringstream text;
  text << in.rdbuf();
  const std::string header = text.str();
  // Bounds and bases, and a second name of a number that already has one.
  const std::set<std::string> notNames = {"WM_KEYFIRST", "WM_KEYLAST", "WM_MOUSEFIRST", "WM_MOUSELAST",   "WM_USER",
                                          "WM_APP",      "CM_BASE",    "CN_BASE",       "WM_WININICHANGE"};
  std::set<std::string> declared;
  const std::regex statement(R"(constexpr UINT ([^;]*);)");
  const std::regex name(R"(\b([A-Z]{2}_[A-Z0-9_]+) =)");
  for (auto s = std::sregex_iterator(header.begin(), header.end(), statement); s != std::sregex_iterator(); ++s) {
    const std::string body = (*s)[1];
    for (auto n = std::sregex_iterator(body.begin(), body.end(), name); n != std::sregex_iterator(); ++n)
      if (!notNames.count((*n)[1])) declared.insert((*n)[1]);
  }
  ASSERT_GT(declared.size(), 150u);
  std::set<std::string> named;
  for (UINT msg = 0; msg <= 0xFFFF; ++msg) {
    std::string n = MessageName(msg);
    if (n.rfind("0x", 0) != 0) named.insert(n);
  }
  for (const std::string& n : declared) EXPECT_TRUE(named.count(n)) << n << " has no name";
}
