#pragma once
// A headless session for the window and its dialogs: fixed font metrics, a private settings
// folder, message boxes and file dialogs answered by the test.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include <unistd.h>

#include "analyzer/Settings.h"
#include "analyzer/ui/MainForm.h"
#include "platform/forms/Dialogs.h"
#include "platform/gdi/FontMetrics.h"
#include "platform/win/TestDriver.h"

struct TWindowSession : TTestSession {
  std::filesystem::path root;
  String savedConfig;

  TWindowSession() {
    SetFontSource(std::make_shared<FixedFontSource>());
    Application->SetTerminated(false);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root = std::filesystem::temp_directory_path() /
           ("vt-ui-" + std::to_string(::getpid()) + "-" + (info ? info->name() : "x"));
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    if (const char* c = std::getenv("XDG_CONFIG_HOME")) savedConfig = c;
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
  }
  ~TWindowSession() {
    Application->OnException = nullptr;
    SetFileDialogProvider(nullptr);
    SetFontSource(nullptr);
    if (savedConfig.empty())
      ::unsetenv("XDG_CONFIG_HOME");
    else
      ::setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }

  String Path(const String& name) const { return (root / name).string(); }
  static void Write(const String& file, const String& text) { std::ofstream(file, std::ios::binary) << text; }
  static String Read(const String& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Queues keys for a loop running inside the code under test.
  void QueueText(std::string_view text) {
    for (char c : text) {
      WORD vk = 0;
      if (c >= 'a' && c <= 'z')
        vk = static_cast<WORD>(c - 'a' + 'A');
      else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ')
        vk = static_cast<WORD>(c);
      QueueKey(vk, true, String(1, c));
      QueueKey(vk, false);
    }
  }
  void QueuePress(WORD vk) {
    QueueKey(vk, true);
    QueueKey(vk, false);
  }
  void Ctrl(WORD key) {
    KeyDown(VK_CONTROL);
    Key(key);
    KeyUp(VK_CONTROL);
  }
  // The message box showing now: its text, then Enter (its default button).
  String AnswerMessage() {
    auto* box = dynamic_cast<TMessageForm*>(Screen->ActiveForm());
    if (!box) {
      ADD_FAILURE() << "no message box";
      return {};
    }
    String text = box->MessageText();
    QueuePress(VK_RETURN);
    return text;
  }
};

// Lines "<image> <caption>" of a tree, indented two blanks per level.
inline std::vector<String> TreeLines(TTreeView* tree) {
  std::vector<String> lines;
  for (int i = 0; i < tree->Items()->Count(); ++i) {
    TTreeNode* n = tree->Items()->Item(i);
    lines.push_back(String(2 * n->Level(), ' ') + std::to_string(n->ImageIndex()) + " " + n->Text());
  }
  return lines;
}
