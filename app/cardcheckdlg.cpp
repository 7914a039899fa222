// The skew dialog's card check: the devices handed over to a headless capture on a worker thread,
// a progress box with Cancel that keeps the window alive meanwhile, and the devices taken back.
#include "mainform.h"

#include "cardcheckrun.h"
#include "measurecapture.h"

#include <QEventLoop>
#include <QProgressDialog>

#include <atomic>
#include <thread>

namespace zelvaro {

std::optional<TSkewDlg::TCardCheckOutcome> TMainForm::CardCheckForSkewDialog(QWidget *parent, double skewUs)
{
    // The check plays and records on the same devices: the window lets go of them meanwhile.
    const bool wereOpen = FEngine->DevicesOpen();
    FEngine->CloseDevices();

    // Any non-zero value stops the capture within 50 ms (the capture's stop request).
    std::atomic<int> cancelled{0};
    std::atomic<bool> finished{false};
    std::optional<TCardCheckResult> result;  // the worker's until it is joined
    std::string error;
    QProgressDialog progress(QStringLiteral("Measuring the sound card through the cable from its line output "
                                            "to its line input..."),
                             QStringLiteral("Cancel"), 0, 0, parent);
    progress.setWindowTitle(QStringLiteral("Zelvaro"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    QEventLoop loop;
    const auto cancel = [&] {
        cancelled.store(1);
        loop.quit();
    };
    QObject::connect(&progress, &QProgressDialog::canceled, &loop, cancel);
    QObject::connect(&progress, &QDialog::rejected, &loop, cancel);  // Escape
    const TSoundDeviceChoice devices = FEngine->SoundDeviceChoice();
    const TAudioBackend backend = FOptions.Backend;
    const TLoopbackOptions loopback = FOptions.Loopback;
    std::thread worker([&, backend, loopback, devices] {
        {
            TMeasureCapture capture(backend, loopback, cancelled, devices);
            if (capture.Open())
                result = RunCardCheck(capture, skewUs);
            if (!result)
                error = capture.Error();
        }
        finished.store(true);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    progress.show();
    loop.exec();
    // Cancel, or an ending signal that leaves every event loop: the worker then stops within a
    // capture's stop interval instead of running the check to its end.
    if (!finished.load())
        cancelled.store(1);
    worker.join();
    progress.reset();

    if (wereOpen)
        FEngine->UpdateDevices(GenOn, SpecOn);
    if (cancelled.load() != 0)
        return std::nullopt;
    if (!result) {
        WarnBox(QString::fromStdString(error));
        return std::nullopt;
    }
    if (!result->Heard) {
        WarnBox(QString::fromStdString(result->Message));
        return std::nullopt;
    }
    return TSkewDlg::TCardCheckOutcome{FormatCardCheckSummary(*result, skewUs),
                                     CompensatingSkewUs(skewUs, result->Skew)};
}

}  // namespace zelvaro
