// Tests of the ending signals: the bridge to the GUI thread, and the window's session end.
#include "signalbridge.h"

#include "configstore.h"
#include "loopbackwindow.h"
#include "mainform.h"
#include "sessionend.h"
#include "shapebutton.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

using namespace zelvaro;

namespace {

struct sigaction CurrentAction(int signo)
{
    struct sigaction action {};
    sigaction(signo, nullptr, &action);
    return action;
}

void SetDisposition(int signo, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(signo, &action, nullptr);
}

void NoteSignal(int) {}

TEST(SignalBridge, EachEndingSignalArrivesOnceOnTheOwnersThread)
{
    for (int signo : kEndingSignals) {
        TSignalBridge bridge;
        ASSERT_TRUE(bridge.Catches(signo)) << "signal " << signo;
        QSignalSpy spy(&bridge, &TSignalBridge::EndRequested);
        QThread *deliveredOn = nullptr;
        QObject::connect(&bridge, &TSignalBridge::EndRequested, &bridge,
                         [&deliveredOn] { deliveredOn = QThread::currentThread(); });

        // Raised on another thread, so the handler runs there and not on the owner's.
        std::thread([signo] { raise(signo); }).join();
        ASSERT_TRUE(spy.wait(5000)) << "signal " << signo << " never reached the event loop";
        EXPECT_EQ(spy.count(), 1);
        EXPECT_EQ(spy.at(0).at(0).toInt(), signo);
        EXPECT_EQ(bridge.Received(), signo);
        EXPECT_EQ(deliveredOn, QThread::currentThread());
    }
}

TEST(SignalBridge, ABlockingCommandSeesTheSignalWithoutAnEventLoop)
{
    TSignalBridge bridge;
    EXPECT_EQ(TSignalBridge::PendingSignal().load(), 0);
    raise(SIGHUP);  // the handler has run when raise returns
    EXPECT_EQ(TSignalBridge::PendingSignal().load(), SIGHUP);
    QCoreApplication::processEvents();  // let the pipe drain for the next bridge
}

TEST(SignalBridge, ASecondSignalEndsTheProcessAtOnceByItsDefaultAction)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TSignalBridge bridge;
            raise(SIGTERM);  // the first one only waits for the event loop, which never runs here
            raise(SIGINT);
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGINT), "");
}

TEST(SignalBridge, ASignalIgnoredAtStartStaysIgnored)
{
    SetDisposition(SIGHUP, SIG_IGN);
    {
        TSignalBridge bridge;
        EXPECT_FALSE(bridge.Catches(SIGHUP));
        EXPECT_TRUE(bridge.Catches(SIGTERM));
        EXPECT_EQ(CurrentAction(SIGHUP).sa_handler, SIG_IGN);
        QSignalSpy spy(&bridge, &TSignalBridge::EndRequested);
        raise(SIGHUP);
        EXPECT_FALSE(spy.wait(300));
        EXPECT_EQ(bridge.Received(), 0);
    }
    EXPECT_EQ(CurrentAction(SIGHUP).sa_handler, SIG_IGN);
    SetDisposition(SIGHUP, SIG_DFL);
}

TEST(SignalBridge, GoingAwayRestoresThePreviousHandlers)
{
    SetDisposition(SIGTERM, NoteSignal);
    {
        TSignalBridge bridge;
        EXPECT_NE(CurrentAction(SIGTERM).sa_handler, NoteSignal);
    }
    EXPECT_EQ(CurrentAction(SIGTERM).sa_handler, NoteSignal);
    EXPECT_EQ(CurrentAction(SIGINT).sa_handler, SIG_DFL);
    SetDisposition(SIGTERM, SIG_DFL);
}

// The real window on the loopback card in its own configuration folder.
class SessionEndTest : public test::TLoopbackWindowTest {
protected:
    static int StoredFftSize()
    {
        const TLoadResult stored = TConfigStore().LoadConfig(QString::fromLatin1(kLastUsedConfig));
        return stored.Loaded() ? stored.Record.FftSize : 0;
    }

    // Makes the store's folder a plain file, so that every save fails.
    void MakeStoreUnwritable()
    {
        const QString folder = FConfigHome.path() + QStringLiteral("/Zelvaro");
        QDir(folder).removeRecursively();
        QFile blocker(folder);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }

};

TEST_F(SessionEndTest, ASignalWhileABoxIsOpenClosesTheBoxThenTheWindowAndSavesTheSpan)
{
    TSignalBridge bridge;
    LeaveEventLoopsOnSignal(bridge);
    FForm->show();
    FForm->BGenerator->click();
    FForm->BSpecAn->click();
    FForm->RB64k->click();
    ASSERT_TRUE(FForm->DevicesOpen);

    bool boxReturned = false;
    QTimer::singleShot(0, FForm.get(), [&] {
        QTimer::singleShot(50, [] { raise(SIGTERM); });
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Zelvaro"), QStringLiteral("waiting"));
        box.exec();
        // The shut-down must not have run underneath this handler.
        EXPECT_TRUE(FForm->ThreadsRunning());
        boxReturned = true;
    });
    EXPECT_EQ(RunMainWindow(*FForm, bridge), 0);
    EXPECT_TRUE(boxReturned);
    EXPECT_FALSE(FForm->ThreadsRunning());
    EXPECT_FALSE(FForm->Engine().DevicesOpen());
    EXPECT_FALSE(FForm->isVisible());
    EXPECT_EQ(StoredFftSize(), 65536);
}

TEST_F(SessionEndTest, TheSessionManagersRequestSavesLastUsedWithoutABox)
{
    FForm->RB2k->click();
    FForm->CommitSessionData();
    EXPECT_EQ(StoredFftSize(), 2048);
    EXPECT_TRUE(FForm->ThreadsRunning()) << "saving for the session must not end the program";

    MakeStoreUnwritable();
    ::testing::internal::CaptureStderr();
    FForm->CommitSessionData();
    const std::string stderrText = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(FWarnings.isEmpty()) << FWarnings.join(u'|').toStdString();
    EXPECT_NE(stderrText.find("could not be saved"), std::string::npos) << stderrText;
}

TEST_F(SessionEndTest, WarningsWhileEndingGoToStandardErrorFromAnyThread)
{
    MakeStoreUnwritable();
    ::testing::internal::CaptureStderr();
    FForm->close();  // its save fails
    FForm->WarnBox(QStringLiteral("late warning"));
    std::thread([this] { FForm->ErrorBox(QStringLiteral("Audio output error"), QStringLiteral("gone")); }).join();
    QCoreApplication::processEvents();
    const std::string stderrText = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(FWarnings.isEmpty()) << FWarnings.join(u'|').toStdString();
    EXPECT_NE(stderrText.find("could not be saved"), std::string::npos) << stderrText;
    EXPECT_NE(stderrText.find("zelvaro: late warning"), std::string::npos) << stderrText;
    EXPECT_NE(stderrText.find("zelvaro: Audio output error: gone"), std::string::npos) << stderrText;
}

}  // namespace
