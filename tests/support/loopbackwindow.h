// The real main window on the loopback card, in a configuration folder of its own, its warnings
// and questions collected instead of shown: the starting point of the window's tests.
#pragma once

#include "mainform.h"

#include <QSignalSpy>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace zelvaro::test {

class TLoopbackWindowTest : public ::testing::Test {
protected:
    TLoopbackWindowTest()
    {
        FOptions.Backend = TAudioBackend::Loopback;
        FOptions.WarnSink = [this](const QString &text) { FWarnings << text; };
        FOptions.AskSink = [this](const QString &question) {
            FQuestions << question;
            return FAnswer;
        };
    }

    void SetUp() override
    {
        ASSERT_TRUE(FConfigHome.isValid());
        qputenv("XDG_CONFIG_HOME", FConfigHome.path().toLocal8Bit());
        FForm = MakeForm();
    }

    void TearDown() override
    {
        FForm.reset();
        qunsetenv("XDG_CONFIG_HOME");
    }

    // A window as FOptions say; a fixture or test changes them for the windows it makes next.
    std::unique_ptr<TMainForm> MakeForm() { return std::make_unique<TMainForm>(FOptions); }

    // Waits until the window has shown `frames` more analyser frames.
    void WaitFrames(int frames)
    {
        QSignalSpy shown(FForm.get(), &TMainForm::FrameShown);
        while (shown.count() < frames)
            ASSERT_TRUE(shown.wait(5000));
    }

    QTemporaryDir FConfigHome;
    QStringList FWarnings;
    QStringList FQuestions;
    bool FAnswer = true;  // to every question the window asks
    TMainFormOptions FOptions;
    std::unique_ptr<TMainForm> FForm;
};

}  // namespace zelvaro::test
