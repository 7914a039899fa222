// The gallery's window: every registered page as a tab, sized so that the largest page shows whole.
#include "gallerywindow.h"

#include "gallerypage.h"

#include <QTabWidget>
#include <algorithm>

namespace gallery {

QTabWidget *buildWindow(const QString &openPage)
{
    auto ordered = pages();
    std::stable_sort(ordered.begin(), ordered.end(), [](const Page &a, const Page &b) { return a.order < b.order; });

    auto *tabs = new QTabWidget;
    tabs->setWindowTitle("Zelvaro widget gallery");
    for (const Page &page : ordered) {
        const int index = tabs->addTab(page.build(), page.title);
        if (page.title == openPage)
            tabs->setCurrentIndex(index);
    }
    // Pages place their controls by hand and state their size as a minimum; a layout-less page has
    // no size hint, so the window would open at the tab bar's size. The tab widget's minimum size
    // holds the largest page plus the tab bar and frame.
    tabs->resize(tabs->minimumSizeHint().expandedTo(tabs->sizeHint()));
    return tabs;
}

}  // namespace gallery
