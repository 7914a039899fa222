// The widget gallery: one tab per page, on the instrument's blue, to look at every control.
#include "gallerypage.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTabWidget>
#include <algorithm>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("widget-gallery");

    QCommandLineParser parser;
    parser.setApplicationDescription("Shows every Zelvaro control in the configurations the program uses.");
    parser.addHelpOption();
    QCommandLineOption pageOption("page", "Open the page whose title is <title>.", "title");
    parser.addOption(pageOption);
    parser.process(app);

    auto pages = gallery::pages();
    std::stable_sort(pages.begin(), pages.end(),
                     [](const gallery::Page &a, const gallery::Page &b) { return a.order < b.order; });

    QTabWidget tabs;
    tabs.setWindowTitle("Zelvaro widget gallery");
    for (const auto &page : pages) {
        const int index = tabs.addTab(page.build(), page.title);
        if (parser.isSet(pageOption) && page.title == parser.value(pageOption))
            tabs.setCurrentIndex(index);
    }
    tabs.adjustSize();  // without a window manager nothing else grows it to its pages
    tabs.show();
    return QApplication::exec();
}
