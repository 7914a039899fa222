// `zelvaro measure`: options, the headless capture, the measurement and its output.
#include "measurecmd.h"

#include "cardcheckrun.h"
#include "devicesettings.h"
#include "imdmeasure.h"
#include "loopbackflags.h"
#include "framepower.h"
#include "signalbridge.h"
#include "sounddeviceflags.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>

namespace zelvaro {

namespace {

constexpr int kMaxToneHz = 10000;     // the generator's range
constexpr double kMaxSeconds = 600.0;
constexpr int kMaxSweepSteps = 200;
constexpr double kDefaultLevelDb = -10.0;
constexpr double kSettleSeconds = 3.0;  // longest wait for played tones to come back steady
constexpr double kMixHeadroomDb = -6.0206;  // two equal tones summed reach full scale here

void PrintError(const QString &text)
{
    std::fprintf(stderr, "zelvaro measure: %s\n", text.toLocal8Bit().constData());
}

bool ParseDouble(const QString &text, double &value)
{
    bool ok = false;
    value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value);
}

bool ParseTones(const QString &text, TMeasureTones &tones)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        return false;
    bool ok1 = false, ok2 = false;
    tones.Hz1 = parts[0].trimmed().toInt(&ok1);
    tones.Hz2 = parts[1].trimmed().toInt(&ok2);
    return ok1 && ok2 && tones.Hz1 >= 1 && tones.Hz1 <= kMaxToneHz && tones.Hz2 >= 1 && tones.Hz2 <= kMaxToneHz &&
           tones.Hz1 != tones.Hz2;
}

// A level each tone may be played at: at most full scale, and with --mix at most half of it.
QString LevelProblem(double levelDb, bool mix)
{
    if (mix && levelDb > kMixHeadroomDb)
        return QStringLiteral("with --mix both tones are summed on each output, so each tone's level must be "
                              "-6.02 dBFS or lower, or the sum clips (asked for %1 dBFS)")
            .arg(levelDb, 0, 'f', 2);
    if (levelDb > 0.0)
        return QStringLiteral("a tone's level must be 0 dBFS or lower (asked for %1 dBFS)").arg(levelDb, 0, 'f', 2);
    if (levelDb < -120.0)
        return QStringLiteral("a tone's level must be -120 dBFS or higher (asked for %1 dBFS)").arg(levelDb, 0, 'f', 2);
    return {};
}

std::vector<float> Channel(const TCapturedFrames &frames, bool right)
{
    return right ? frames.Right : frames.Left;
}

TImdResult MeasureSamples(const std::vector<float> &samples, const TMeasureOptions &options)
{
    TPowerAverager averager(options.FftSize);
    const auto hop = static_cast<size_t>(options.FftSize / 2);
    for (size_t start = 0; start + static_cast<size_t>(options.FftSize) <= samples.size(); start += hop)
        averager.Add(std::span<const float>(samples).subspan(start, static_cast<size_t>(options.FftSize)));
    TImdParams params;
    if (options.Tones) {
        params.HintHz1 = options.Tones->Hz1;
        params.HintHz2 = options.Tones->Hz2;
    }
    return MeasureImd(averager.Average(), HannScale(options.FftSize, kSampleRate, averager.Frames()), params);
}

bool WriteOutput(const QByteArray &text, const QString &file)
{
    if (file.isEmpty()) {
        std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
        std::fflush(stdout);
        return true;
    }
    // A file the user keeps: written whole under a temporary name, then renamed.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit()) {
        PrintError(QStringLiteral("cannot write %1: %2").arg(file, out.errorString()));
        return false;
    }
    return true;
}

}  // namespace

std::vector<double> SweepLevels(const QString &range)
{
    const QStringList parts = range.split(QLatin1Char(':'));
    double from = 0, to = 0, step = 0;
    if (parts.size() != 3 || !ParseDouble(parts[0], from) || !ParseDouble(parts[1], to) ||
        !ParseDouble(parts[2], step) || step == 0.0 || (to - from) / step < -1e-9)
        return {};
    const double count = std::floor((to - from) / step + 1e-9) + 1.0;
    if (count > kMaxSweepSteps)
        return {};
    std::vector<double> levels;
    for (int i = 0; i < static_cast<int>(count); ++i)
        levels.push_back(from + i * step);
    return levels;
}

int CaptureSamples(double seconds, int fftSize)
{
    const auto wanted = static_cast<int>(std::lround(seconds * kSampleRate));
    if (wanted <= fftSize)
        return fftSize;
    const int hop = fftSize / 2;
    return fftSize + (wanted - fftSize) / hop * hop;
}

int FramesIn(int samples, int fftSize)
{
    return samples < fftSize ? 0 : 1 + (samples - fftSize) / (fftSize / 2);
}

std::optional<TMeasureOptions> ParseMeasureOptions(const QStringList &arguments, QString &error)
{
    QCommandLineParser parser;
    const QCommandLineOption seconds(QStringLiteral("seconds"), QString(), QStringLiteral("S"));
    const QCommandLineOption fft(QStringLiteral("fft"), QString(), QStringLiteral("N"));
    const QCommandLineOption channel(QStringLiteral("channel"), QString(), QStringLiteral("left|right"));
    const QCommandLineOption format(QStringLiteral("format"), QString(), QStringLiteral("text|json|csv"));
    const QCommandLineOption output(QStringLiteral("output"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption loopback(QStringLiteral("loopback"));
    const QCommandLineOption tones(QStringLiteral("tones"), QString(), QStringLiteral("F1,F2"));
    const QCommandLineOption level(QStringLiteral("level"), QString(), QStringLiteral("DB"));
    const QCommandLineOption mix(QStringLiteral("mix"));
    const QCommandLineOption sweep(QStringLiteral("sweep"), QString(), QStringLiteral("FROM:TO:STEP"));
    const QCommandLineOption cardCheck(QStringLiteral("card-check"));
    parser.addOptions({seconds, fft, channel, format, output, loopback, tones, level, mix, sweep, cardCheck});
    const TLoopbackLineFlags lineFlags;
    lineFlags.AddTo(parser);
    const TSoundDeviceFlags deviceFlags(TSoundDeviceFlags::TOutputName::OutputDeviceOnly);
    deviceFlags.AddTo(parser, false);
    parser.addPositionalArgument(QStringLiteral("measure"), QString());
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return std::nullopt;
    }
    if (parser.positionalArguments() != QStringList{QStringLiteral("measure")}) {
        error = QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().join(QLatin1Char(' ')));
        return std::nullopt;
    }

    TMeasureOptions options;
    if (parser.isSet(seconds) && (!ParseDouble(parser.value(seconds), options.Seconds) || options.Seconds <= 0.0 ||
                                  options.Seconds > kMaxSeconds)) {
        error = QStringLiteral("--seconds takes a capture time from 0 to 600 seconds");
        return std::nullopt;
    }
    if (parser.isSet(fft)) {
        bool ok = false;
        options.FftSize = parser.value(fft).toInt(&ok);
        if (!ok || options.FftSize < 2048 || options.FftSize > 65536 || (options.FftSize & (options.FftSize - 1))) {
            error = QStringLiteral("--fft takes a power of two from 2048 to 65536");
            return std::nullopt;
        }
    }
    if (parser.isSet(channel)) {
        const QString value = parser.value(channel);
        if (value != QLatin1String("left") && value != QLatin1String("right")) {
            error = QStringLiteral("--channel takes left or right");
            return std::nullopt;
        }
        options.RightChannel = value == QLatin1String("right");
    }
    if (parser.isSet(format)) {
        const QString value = parser.value(format);
        if (value == QLatin1String("json"))
            options.Format = TMeasureFormat::Json;
        else if (value == QLatin1String("csv"))
            options.Format = TMeasureFormat::Csv;
        else if (value != QLatin1String("text")) {
            error = QStringLiteral("--format takes text, json or csv");
            return std::nullopt;
        }
    }
    options.OutputFile = parser.value(output);
    options.Devices = deviceFlags.Given(parser);
    if (parser.isSet(loopback))
        options.Backend = TAudioBackend::Loopback;
    const auto line = lineFlags.Given(parser, parser.isSet(loopback), error);
    if (!line)
        return std::nullopt;
    options.Loopback = *line;
    options.CardCheck = parser.isSet(cardCheck);
    if (options.CardCheck) {
        for (const auto *measureOnly : {&tones, &level, &mix, &sweep, &fft, &seconds, &channel})
            if (parser.isSet(*measureOnly)) {
                error = QStringLiteral("--card-check plays its own tones; --%1 does not apply")
                            .arg(measureOnly->names().constFirst());
                return std::nullopt;
            }
        if (options.Format == TMeasureFormat::Csv) {
            error = QStringLiteral("--card-check prints text or json");
            return std::nullopt;
        }
        return options;
    }

    if (!parser.isSet(tones)) {
        for (const auto *needsTones : {&level, &mix, &sweep})
            if (parser.isSet(*needsTones)) {
                error = QStringLiteral("--%1 needs --tones").arg(needsTones->names().constFirst());
                return std::nullopt;
            }
        return options;
    }
    TMeasureTones played;
    if (!ParseTones(parser.value(tones), played)) {
        error = QStringLiteral("--tones takes two different whole frequencies from 1 to 10000 Hz, as in 700,1900");
        return std::nullopt;
    }
    played.Mix = parser.isSet(mix);
    double levelDb = kDefaultLevelDb;
    if (parser.isSet(level) && !ParseDouble(parser.value(level), levelDb)) {
        error = QStringLiteral("--level takes each tone's level in dBFS, as in -7");
        return std::nullopt;
    }
    if (parser.isSet(sweep)) {
        options.SweepLevelsDb = SweepLevels(parser.value(sweep));
        if (options.SweepLevelsDb.empty()) {
            error = QStringLiteral("--sweep takes FROM:TO:STEP in dB with at most 200 steps, as in -30:-6:2");
            return std::nullopt;
        }
    }
    for (double each : options.SweepLevelsDb.empty() ? std::vector<double>{levelDb} : options.SweepLevelsDb)
        if (const QString problem = LevelProblem(each, played.Mix); !problem.isEmpty()) {
            error = problem;
            return std::nullopt;
        }
    played.LevelDb1 = played.LevelDb2 = levelDb;
    options.Tones = played;
    return options;
}

namespace {

QString HelpText()
{
    return QStringLiteral(
        "Usage: zelvaro measure [options]\n"
        "Measures two-tone intermodulation at the sound card's input without opening a window.\n"
        "\n"
        "  --seconds S          capture time in seconds (default 3; at least one FFT length)\n"
        "  --fft N              FFT length, a power of two from 2048 to 65536 (default 65536)\n"
        "  --channel left|right analysed input (default left)\n"
        "  --format text|json|csv  output format (default text)\n"
        "  --output FILE        write the result to FILE instead of standard output\n"
        "  --loopback           use the built-in loopback sound card\n"
        "  --input NAME         capture from the input device called NAME (or a unique part of it)\n"
        "                       instead of the one chosen in the window (--input-device alike)\n"
        "  --output-device NAME play the tones on the output device called NAME\n"
        "  --tones F1,F2        also play the two tones (Hz): tone 1 left, tone 2 right\n"
        "  --level DB           each tone's level in dBFS (default -10)\n"
        "  --mix                both tones summed on both outputs (each at most -6.02 dBFS)\n"
        "  --sweep FROM:TO:STEP step the tones' level in dB and measure at each step\n"
        "  --card-check         measure the card itself through a cable from its line output to its\n"
        "                       line input: channel skew, gain difference, its own IMD and floor\n"
        "  --loopback-skew US   with --loopback: delay the loopback card's right channel by US\n"
        "                       microseconds (-500 to 500; negative: the left one)\n"
        "  --loopback-distortion DBC  with --loopback: a cubic term whose IMD3 for two tones\n"
        "                       at -7 dBFS is DBC (-150 to -25)\n"
        "  --loopback-unplugged with --loopback: the card's cable is out (only noise comes back)\n"
        "  -h, --help           show this help\n"
        "\n"
        "Without --tones it only listens. Exit status: 0 measured, 2 fewer than two tones\n"
        "stand 20 dB above the noise floor (or, for the card check, the inputs do not hear the\n"
        "outputs, or samples kept going missing), 1 a sound device error or bad options.\n");
}

bool WantsHelp(const QStringList &arguments)
{
    return arguments.contains(QStringLiteral("-h")) || arguments.contains(QStringLiteral("--help")) ||
           arguments.contains(QStringLiteral("--help-all"));
}

// The signal that asked the command to end, 0 while none did.
int StopSignal()
{
    return TSignalBridge::PendingSignal().load();
}

int StoppedBySignal(TMeasureCapture &capture)
{
    capture.Close();
    return ExitStatusForSignal(StopSignal());
}

int RunCardCheckCommand(TMeasureCapture &capture, const TMeasureOptions &options)
{
    const auto result = RunCardCheck(capture, 0.0);
    if (capture.StopRequested())
        return StoppedBySignal(capture);
    capture.Close();
    if (!result) {
        PrintError(QString::fromStdString(capture.Error()));
        return kMeasureExitError;
    }
    if (!result->Heard) {
        PrintError(QString::fromStdString(result->Message));
        return kMeasureExitNoTones;
    }
    const double compensation = CompensatingSkewUs(0.0, result->Skew);
    const QString advice = QStringLiteral("Set the channel skew compensation (Options menu) to %1 us.\n")
                               .arg(std::fabs(compensation) < 0.05 ? 0.0 : compensation, 0, 'f', 1);
    const QByteArray text = options.Format == TMeasureFormat::Json ? FormatCardCheckJson(*result)
                                                                    : (FormatCardCheckText(*result) + advice).toUtf8();
    return WriteOutput(text, options.OutputFile) ? kMeasureExitMeasured : kMeasureExitError;
}

// The devices the window would use, with those named for this run in their place; none when a
// named one is missing or ambiguous, which has been reported.
std::optional<TSoundDeviceChoice> DevicesToUse(const TMeasureOptions &options)
{
    if (options.Backend != TAudioBackend::PortAudio)
        return TSoundDeviceChoice{};
    if (options.Devices != TSoundDeviceChoice{}) {
        if (const auto problem = CheckGivenDevices(options.Devices, ListSoundDevicesQuietly())) {
            PrintError(QString::fromStdString(*problem));
            return std::nullopt;
        }
    }
    return EffectiveDevices(options.Devices, LoadDeviceChoice(DeviceSettingsPath()));
}

}  // namespace

int RunMeasureCommand(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The same ending signals as the window: a first one stops the capture and the command exits
    // with 128 + its number; a second ends it at once; one ignored at start stays ignored.
    TSignalBridge signalBridge;
    const QStringList arguments = QCoreApplication::arguments();
    if (WantsHelp(arguments)) {
        std::fputs(HelpText().toLocal8Bit().constData(), stdout);
        return kMeasureExitMeasured;
    }
    QString error;
    const auto options = ParseMeasureOptions(arguments, error);
    if (!options) {
        PrintError(error + QStringLiteral(" (see zelvaro measure --help)"));
        return kMeasureExitError;
    }

    const auto devices = DevicesToUse(*options);
    if (!devices)
        return kMeasureExitError;
    TMeasureCapture capture(options->Backend, options->Loopback, TSignalBridge::PendingSignal(), *devices);
    if (StopSignal() != 0)
        return StoppedBySignal(capture);
    if (!capture.Open()) {
        if (StopSignal() != 0)
            return StoppedBySignal(capture);
        PrintError(QString::fromStdString(capture.Error()));
        return kMeasureExitError;
    }
    if (options->CardCheck)
        return RunCardCheckCommand(capture, *options);
    const int samples = CaptureSamples(options->Seconds, options->FftSize);
    const QString channel = options->RightChannel ? QStringLiteral("right") : QStringLiteral("left");
    const bool playing = options->Tones.has_value();

    std::vector<TSweepStep> steps;
    const std::vector<double> levels =
        options->SweepLevelsDb.empty() ? std::vector<double>{playing ? options->Tones->LevelDb1 : 0.0}
                                       : options->SweepLevelsDb;
    for (size_t i = 0; i < levels.size(); ++i) {
        if (playing) {
            TMeasureTones tones = *options->Tones;
            tones.LevelDb1 = tones.LevelDb2 = levels[i];
            capture.Play(tones);
        }
        const double minChange = i == 0 ? 0.0 : std::fabs(levels[i] - levels[i - 1]) / 2.0;
        const auto frames = capture.Capture(samples, playing ? kSettleSeconds : 0.0, minChange);
        if (capture.StopRequested())
            return StoppedBySignal(capture);
        if (!frames) {
            capture.Close();
            PrintError(QString::fromStdString(capture.Error()));
            return kMeasureExitError;
        }
            steps.push_back({levels[i], MeasureSamples(Channel(*frames, options->RightChannel), *options)});
    }
    capture.Close();
    if (StopSignal() != 0)
        return ExitStatusForSignal(StopSignal());

    if (options->SweepLevelsDb.empty()) {
        const TImdResult &result = steps.front().Result;
        if (!result.Measured()) {
            PrintError(QString::fromStdString(result.Message));
            return kMeasureExitNoTones;
        }
        return WriteOutput(FormatMeasurement(result, channel, options->Format), options->OutputFile)
                   ? kMeasureExitMeasured
                   : kMeasureExitError;
    }
    if (!WriteOutput(FormatSweep(steps, channel, options->Format), options->OutputFile))
        return kMeasureExitError;
    const bool allMeasured = std::all_of(steps.begin(), steps.end(), [](const TSweepStep &s) { return s.Result.Measured(); });
    return allMeasured ? kMeasureExitMeasured : kMeasureExitNoTones;
}

}  // namespace zelvaro
