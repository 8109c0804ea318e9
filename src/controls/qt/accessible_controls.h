#pragma once

class QWidget;

namespace corvimap {

// How assistive tools (screen readers over AT-SPI) see the program's own controls.
//
// Every combo box is known by its accessible name ("Group"), with its current entry as its
// value; without a name it is known by its entry, as before. Qt's own combo interface on Linux
// announces the entry as the name and drops the name that was set.
//
// A widget marked as a page tab list shows its children as a strip of tabs; a button marked as
// a page tab is one tab of it: named by its caption, selectable, selected while checked, and
// pressed to select it. A reader then says "Networks, tab, 1 of 4".
//
// UI thread only. The factories are installed once, by the first call of any function here;
// interfaces made for a widget before that stay as they were, so owners call these while they
// build their controls.
void InstallAccessibleFactories();
void MarkAsPageTabList(QWidget* strip);
void MarkAsPageTab(QWidget* tab_button);

// Tells assistive tools that a tab was selected or deselected.
void AnnounceTabSelection(QWidget* tab_button);

}  // namespace corvimap
