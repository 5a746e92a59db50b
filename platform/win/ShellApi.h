#pragma once
// The shell: opening a file or a web address with the desktop's opener, and the program's
// version resource (a table compiled into the program instead of a resource section).

#include <functional>
#include <utility>
#include <vector>

#include "platform/win/Windows.h"

// Opens a file path or a URL with the desktop's opener (never through a command line).
// Answers a value above 32 when the opener took it, as the shell does; 2 (file not found)
// when it did not.
HINSTANCE ShellExecute(HWND owner, const String& verb, const String& file, const String& parameters,
                       const String& directory, int showCommand);

// Whether opening the target would start a program rather than show something: a local file
// (a path, relative or absolute, or a file: URL) that is executable or a desktop entry. The
// desktop's opener declines such targets; callers that open text from data check it first.
bool IsShellLaunchTarget(const String& fileOrUrl);

// Who opens: the desktop's opener by default; tests install a recorder. Answers the one before.
using TShellOpenProvider = std::function<bool(const String& fileOrUrl)>;
TShellOpenProvider SetShellOpenProvider(TShellOpenProvider provider);

// The version resource: "StringFileInfo\040904E4\<key>" values. The program registers its
// table at start; without one a file has no version information (size 0).
void SetVersionResource(std::vector<std::pair<String, String>> strings);
DWORD GetFileVersionInfoSize(const String& fileName, DWORD* handle);
BOOL GetFileVersionInfo(const String& fileName, DWORD handle, DWORD size, void* data);
// `subBlock` is "StringFileInfo\040904E4\<key>": the value as a NUL-terminated text in the
// block `data` read by GetFileVersionInfo.
BOOL VerQueryValue(const void* data, const String& subBlock, const char** value, UINT* length);

// Files dropped from the desktop. A window that accepts them (WS_EX_ACCEPTFILES, set by
// DragAcceptFiles) receives WM_DROPFILES posted with the drop handle as wParam; the handle is
// read with DragQueryFile/DragQueryPoint and freed with DragFinish by whoever handles it.
void DragAcceptFiles(HWND wnd, BOOL accept);
// `file` 0xFFFFFFFF: the number of files. Otherwise copies that file's path (UTF-8, cut at a
// character boundary to fit `size` with its NUL) and answers its length; with no buffer, the
// length the whole path needs (without the NUL). 0 for a bad handle or index.
UINT DragQueryFile(HDROP drop, UINT file, char* buffer, UINT size);
// Where the drop happened, in the client coordinates of the receiving window; whether that
// was inside its client area.
BOOL DragQueryPoint(HDROP drop, POINT* pt);
void DragFinish(HDROP drop);
// The host's drop: the window under the screen point, or its nearest ancestor, that accepts
// files gets WM_DROPFILES. Answers that window, or none when no window there accepts files
// (nothing is posted). Hosts call it; tests use it to drop without a desktop.
HWND PostFileDrop(POINT screen, std::vector<String> files);
// Whether a drop at the screen point would be taken (for the host's drag feedback).
HWND FileDropTarget(POINT screen);
