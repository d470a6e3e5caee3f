#include "mainwindow/ListWalk.h"

namespace sw {

int BeginListWalk(Root& root) {
    root.c.LObjekte.SetEnabled(false);
    root.c.bStartCaption.SetVisible(false);
    root.s.ui.SetPointer(kPointerHourglass);
    const int remembered = root.c.LObjekte.ListIndex();
    root.s.ui.DoEvents();
    return remembered;
}

void EndListWalk(Root& root, int remembered) {
    root.c.LObjekte.SetEnabled(true);
    root.c.bStartCaption.SetVisible(true);
    root.s.ui.SetPointer(kPointerDefault);
    // The first line and then the remembered one: the list scrolls back to
    // the top before it shows the remembered line, and each selection
    // refreshes the caption.
    if (root.c.LObjekte.ListCount() > 0) root.c.LObjekte.SetListIndex(0);
    if (remembered != 0) root.c.LObjekte.SetListIndex(remembered);
    root.s.ui.DoEvents();
}

std::vector<ListItem> ListItems(const ListBox& list) {
    const int count = list.ListCount();
    std::vector<ListItem> items;
    items.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) items.push_back(ListItem{list.List(i), list.Key(i)});
    return items;
}

std::vector<std::string> ListKeys(const ListBox& list) {
    const int count = list.ListCount();
    std::vector<std::string> keys;
    keys.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) keys.push_back(list.Key(i));
    return keys;
}

}  // namespace sw
