// Zelvaro: the two-tone generator and stereo spectrum analyser, started from the command line.
#include "loopbackflags.h"
#include "dialogparts.h"
#include "mainform.h"
#include "measurecmd.h"

#include "portaudiodevice.h"
#include "sessionend.h"
#include "signalbridge.h"
#include "skin.h"
#include "sounddeviceflags.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QMessageBox>

#include <cstdio>
#include <exception>

namespace {

constexpr int kExitNoAudio = 1;
constexpr int kExitBadOption = 1;  // as the option parser itself ends

// The options every invocation understands.
void DescribeOptions(QCommandLineParser &parser, const QCommandLineOption &loopback, const QCommandLineOption &probe,
                     const zelvaro::TSoundDeviceFlags &devices, const zelvaro::TLoopbackLineFlags &line)
{
    parser.setApplicationDescription(QStringLiteral(
        "Two-tone generator and stereo spectrum analyser for the sound card's line output and input.\n"
        "\"zelvaro measure\" measures two-tone intermodulation without a window; see zelvaro measure --help."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(loopback);
    parser.addOption(probe);
    devices.AddTo(parser);
    line.AddTo(parser);
}

// --help, --version and --probe-audio answer on the terminal and need no display.
bool AnswersOnTheTerminal(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-v" || arg == "--version" ||
            arg == "--probe-audio")
            return true;
    }
    return false;
}

void DescribeApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Zelvaro"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZELVARO_VERSION));
}

}  // namespace

int main(int argc, char **argv)
{
    // Before any sound library starts: the measure command's streams carry the name as well.
    zelvaro::NameSoundStreams("Zelvaro");
    if (argc > 1 && QByteArray(argv[1]) == "measure")
        return zelvaro::RunMeasureCommand(argc, argv);

    const QCommandLineOption loopbackOption(
        QStringLiteral("loopback"),
        QStringLiteral("Use the built-in loopback sound card: the generated tones come straight back "
                       "into the analyser. Works without any sound device."));
    const QCommandLineOption probeOption(
        QStringLiteral("probe-audio"),
        QStringLiteral("Exit with status 0 when a default input and output device exist, 1 otherwise."));

    const zelvaro::TSoundDeviceFlags deviceFlags;
    const zelvaro::TLoopbackLineFlags lineFlags;
    if (zelvaro::ListDevicesRequested(argc, argv))
        return zelvaro::PrintSoundDevices(zelvaro::ListSoundDevicesQuietly(), stdout, stderr);
    if (AnswersOnTheTerminal(argc, argv)) {
        QCoreApplication app(argc, argv);
        DescribeApplication();
        QCommandLineParser parser;
        DescribeOptions(parser, loopbackOption, probeOption, deviceFlags, lineFlags);
        parser.process(app);  // --help and --version exit here
        const bool available = zelvaro::AudioDevicesAvailable();
        std::printf("%s\n", available ? "default input and output devices found"
                                      : "no default input or output device");
        return available ? 0 : kExitNoAudio;
    }

    // A mistyped option is reported before the window's platform is loaded, so it gets its message
    // and status even where no display can be opened.
    {
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        QCommandLineParser check;
        DescribeOptions(check, loopbackOption, probeOption, deviceFlags, lineFlags);
        QString error;
        if (!check.parse(arguments)) {
            std::fprintf(stderr, "zelvaro: %s\n", check.errorText().toLocal8Bit().constData());
            return kExitBadOption;
        }
        if (!lineFlags.Given(check, check.isSet(loopbackOption), error)) {
            std::fprintf(stderr, "zelvaro: %s\n", error.toLocal8Bit().constData());
            return kExitBadOption;
        }
    }

    QApplication app(argc, argv);
    app.setStyleSheet(zelvaro::PanelStyleSheet());
    // From here on an ending signal closes the window in order instead of killing the program.
    zelvaro::TSignalBridge endingSignals;
    zelvaro::LeaveEventLoopsOnSignal(endingSignals);
    DescribeApplication();
    QApplication::setApplicationDisplayName(QStringLiteral("Zelvaro"));
    QApplication::setDesktopFileName(QStringLiteral("zelvaro"));
    zelvaro::InitSkinResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zelvaro/zelvaro.svg")));
    QCommandLineParser parser;
    DescribeOptions(parser, loopbackOption, probeOption, deviceFlags, lineFlags);
    parser.process(app);

    zelvaro::TMainFormOptions options;
    options.Backend = parser.isSet(loopbackOption) ? zelvaro::TAudioBackend::Loopback
                                                   : zelvaro::TAudioBackend::PortAudio;
    options.GivenDevices = deviceFlags.Given(parser);
    QString lineError;  // refused before the display was opened
    options.Loopback =
        lineFlags.Given(parser, parser.isSet(loopbackOption), lineError).value_or(zelvaro::TLoopbackOptions{});
    if (options.Backend == zelvaro::TAudioBackend::PortAudio && options.GivenDevices != zelvaro::TSoundDeviceChoice{}) {
        if (const auto problem = zelvaro::CheckGivenDevices(options.GivenDevices, zelvaro::ListSoundDevicesQuietly())) {
            std::fprintf(stderr, "zelvaro: %s\n", problem->c_str());
            return kExitNoAudio;
        }
    }
    try {
        zelvaro::TMainForm form(options);
        form.show();
        return zelvaro::RunMainWindow(form, endingSignals);
    } catch (const std::exception &error) {
        // Shown like any escaped exception; the program then ends normally.
        QMessageBox::critical(nullptr, QStringLiteral("Zelvaro"), QString::fromLocal8Bit(error.what()));
        return 0;
    }
}
