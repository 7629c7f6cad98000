// The drop target the file manager's "Vesk" verbs name. For a selection of
// any size the file manager starts "vesk.exe -Embedding", creates the target
// through COM and drops the selection on it as one data object; the program
// then hands the paths to its window.
//
//     if (std::optional<ServedDrop> drop = ServeOneDrop(60000)) ...drop->paths...
#pragma once

#include <windows.h>

#include <oleidl.h>

#include <optional>
#include <string>
#include <vector>

namespace vesk {

struct ServedDrop {
    std::vector<std::wstring> paths;
    bool shiftHeld = false; // Shift or Ctrl: folders with every subfolder
};

// Offers the drop target's class to COM from this process (COM initialised
// apartment-threaded on this thread) and runs the thread's messages until one
// drop has come, or `limitMilliseconds` passed without one.
std::optional<ServedDrop> ServeOneDrop(DWORD limitMilliseconds);

// The file paths a data object holds: its CF_HDROP list, else its shell item
// ID list. Trusts nothing in either: a list that runs past its memory ends
// where the memory does.
std::vector<std::wstring> PathsOfDataObject(IDataObject* data);

} // namespace vesk
