// `zelvaro measure`: one two-tone measurement (or a level sweep) without a window, printed as
// text, JSON or CSV.
#pragma once

#include "audioengine.h"
#include "measurecapture.h"
#include "measureformat.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace zelvaro {

constexpr int kMeasureExitMeasured = 0;
constexpr int kMeasureExitError = 1;     // device errors and bad options
constexpr int kMeasureExitNoTones = 2;   // fewer than two tones stand above the floor

struct TMeasureOptions {
    double Seconds = 3.0;
    int FftSize = 65536;
    bool RightChannel = false;
    TMeasureFormat Format = TMeasureFormat::Text;
    QString OutputFile;  // empty: standard output
    TAudioBackend Backend = TAudioBackend::PortAudio;
    std::optional<TMeasureTones> Tones;  // played while measuring
    std::vector<double> SweepLevelsDb;   // empty: one measurement at the tones' level
    bool CardCheck = false;              // measure the card itself instead (loopback cable)
    TLoopbackOptions Loopback;           // --loopback-skew and --loopback-distortion
    TSoundDeviceChoice Devices;          // --input, --output-device: for this run (empty: as chosen)
};

// Parses the arguments after "measure" (argv[0] included, as Qt's parser expects). Returns the
// options, or an error text for the user; --help is answered by the caller.
std::optional<TMeasureOptions> ParseMeasureOptions(const QStringList &arguments, QString &error);

// The levels FROM, FROM+STEP, ... up to TO of "FROM:TO:STEP"; empty when the text is no such range.
std::vector<double> SweepLevels(const QString &range);

// Samples a capture of `seconds` needs for whole frames of fftSize overlapping by half, at least
// one frame, and how many frames they make.
int CaptureSamples(double seconds, int fftSize);
int FramesIn(int samples, int fftSize);

// The whole command: parses, captures, measures, prints. Returns the exit status; a signal
// (TERM, INT, HUP) ends it with the devices closed, nothing printed, and 128 + its number.
int RunMeasureCommand(int argc, char **argv);

}  // namespace zelvaro
