// The widget gallery: one tab per page, on the instrument's blue, to look at every control.
#include "gallerywindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTabWidget>
#include <memory>

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

    const std::unique_ptr<QTabWidget> window(gallery::buildWindow(parser.value(pageOption)));
    window->show();
    return QApplication::exec();
}
