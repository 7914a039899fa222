// Zelvaro: the two-tone generator and stereo spectrum analyser, started from the command line.
#include "mainform.h"

#include "portaudiodevice.h"
#include "skin.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QMessageBox>

#include <cstdio>
#include <exception>

namespace {

constexpr int kExitNoAudio = 1;

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelvaro"));
    QApplication::setApplicationDisplayName(QStringLiteral("Zelvaro"));
    QApplication::setApplicationVersion(QStringLiteral(ZELVARO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("zelvaro"));
    zelvaro::InitSkinResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zelvaro/zelvaro.svg")));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Two-tone generator and stereo spectrum analyser for the sound card's line output and input."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption loopbackOption(
        QStringLiteral("loopback"),
        QStringLiteral("Use the built-in loopback sound card: the generated tones come straight back "
                       "into the analyser. Works without any sound device."));
    const QCommandLineOption probeOption(
        QStringLiteral("probe-audio"),
        QStringLiteral("Exit with status 0 when a default input and output device exist, 1 otherwise."));
    parser.addOption(loopbackOption);
    parser.addOption(probeOption);
    parser.process(app);

    if (parser.isSet(probeOption)) {
        const bool available = zelvaro::AudioDevicesAvailable();
        std::printf("%s\n", available ? "default input and output devices found"
                                      : "no default input or output device");
        return available ? 0 : kExitNoAudio;
    }

    zelvaro::TMainFormOptions options;
    options.Backend = parser.isSet(loopbackOption) ? zelvaro::TAudioBackend::Loopback
                                                   : zelvaro::TAudioBackend::PortAudio;
    try {
        zelvaro::TMainForm form(options);
        form.show();
        return QApplication::exec();
    } catch (const std::exception &error) {
        QMessageBox::critical(nullptr, QStringLiteral("Zelvaro"), QString::fromLocal8Bit(error.what()));
        return 0;
    }
}
