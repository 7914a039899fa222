// The Zelvaro window already busy, for the tests of its ending: generator and analyser on at
// 65536 points on the loopback card (the stored span was 8192 or nothing), then the program's own
// event loop and shut-down. Prints "ready" once the analyser has shown a frame.
// With --stored-fft-size it prints the span stored in "LastUsed" (0 when there is none) instead.
#include "configstore.h"
#include "mainform.h"
#include "sessionend.h"
#include "shapebutton.h"
#include "signalbridge.h"

#include <QApplication>
#include <QRadioButton>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    using namespace zelvaro;
    if (argc > 1 && std::strcmp(argv[1], "--stored-fft-size") == 0) {
        QCoreApplication app(argc, argv);
        const TLoadResult stored = TConfigStore().LoadConfig(QString::fromLatin1(kLastUsedConfig));
        std::printf("%d\n", stored.Loaded() ? stored.Record.FftSize : 0);
        return 0;
    }

    QApplication app(argc, argv);
    TSignalBridge bridge;
    LeaveEventLoopsOnSignal(bridge);
    TMainFormOptions options;
    options.Backend = TAudioBackend::Loopback;
    TMainForm form(options);
    form.show();
    form.BGenerator->click();
    form.BSpecAn->click();
    form.RB64k->click();
    bool announced = false;
    QObject::connect(&form, &TMainForm::FrameShown, &form, [&announced] {
        if (!announced) {
            announced = true;
            std::printf("ready\n");
            std::fflush(stdout);
        }
    });
    return RunMainWindow(form, bridge);
}
