// The gallery's window: every registered page as a tab, sized so that the largest page shows whole.
#pragma once

#include <QString>

class QTabWidget;

namespace gallery {

// Builds the window (not shown) with the page titled `openPage` in front, when there is one.
QTabWidget *buildWindow(const QString &openPage = {});

}  // namespace gallery
