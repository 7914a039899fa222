// The command-line options that shape the loopback card's "cable": --loopback-skew,
// --loopback-distortion and --loopback-unplugged, for demonstrating and testing the card check.
#pragma once

#include "loopbackcard.h"

#include <QCommandLineOption>
#include <QString>

#include <optional>

class QCommandLineParser;

namespace zelvaro {

class TLoopbackLineFlags {
public:
    TLoopbackLineFlags();

    void AddTo(QCommandLineParser &parser) const;

    // The loopback card's options as given; nothing, with a message in `error`, when a value is out
    // of range or an option comes without --loopback (loopbackSet false).
    std::optional<TLoopbackOptions> Given(const QCommandLineParser &parser, bool loopbackSet, QString &error) const;

private:
    QCommandLineOption FSkew;
    QCommandLineOption FDistortion;
    QCommandLineOption FUnplugged;
};

}  // namespace zelvaro
