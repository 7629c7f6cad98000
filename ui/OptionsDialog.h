// The Options dialog: one check box per algorithm. OK applies the ticks to the
// column table and, in Sheet View, adds or removes the list's columns at once.
#pragma once

#include "core/ColumnTable.h"
#include "results/ResultList.h"

#include <windows.h>

namespace vesk {

// Modal over `owner` (none in console mode, where there is no list either).
void ShowOptionsDialog(HWND owner, ViewState& view, ResultList* list);

} // namespace vesk
