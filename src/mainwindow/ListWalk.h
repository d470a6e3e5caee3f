// Printing and the check read every line of the entry list in one go.
// Meanwhile the list is disabled, the start-type caption hidden and the
// hourglass shown; afterwards the selection goes back to the line that was
// selected, so the caption shows that entry's start type again.
#pragma once

#include <string>
#include <vector>

#include "mainwindow/Root.h"

namespace sw {

// Returns the selected index to hand back to EndListWalk.
int BeginListWalk(Root& root);
void EndListWalk(Root& root, int remembered);

// Every line of a list box with its key, in its order, without selecting any.
std::vector<ListItem> ListItems(const ListBox& list);
// Every key of a list box, in its order.
std::vector<std::string> ListKeys(const ListBox& list);

}  // namespace sw
