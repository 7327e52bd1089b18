// Reading a list's selection so that "no selection" never replaces a value.
#pragma once

#include <cstdint>

#include "dialogs/controls.h"

// The list's selected index, or `previous` when it reports none (-1, or an index at or beyond
// `entryCount`).
inline int32_t takeListSelection(Controls& controls, int listId, int32_t entryCount, int32_t previous)
{
    const int selection = controls.selectedListItem(listId);
    return (selection < 0 || selection >= entryCount) ? previous : selection;
}
