// The sound-device choice in the application: flags, the remembered names, the dialog and the window.
#include "devicesettings.h"
#include "loopbackwindow.h"
#include "mainform.h"
#include "sounddeviceflags.h"
#include "sounddevicesdlg.h"

#include <QAction>
#include <QComboBox>
#include <QCommandLineParser>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zelvaro;

namespace {

const std::vector<TSoundDevice> kDevices = {
    TSoundDevice{TWaveDirection::In, "ALSA", "USB Audio CODEC"},
    TSoundDevice{TWaveDirection::In, "ALSA", "default", true},
    TSoundDevice{TWaveDirection::Out, "ALSA", "USB Audio CODEC"},
    TSoundDevice{TWaveDirection::Out, "ALSA", "default", true},
    TSoundDevice{TWaveDirection::Out, "OSS", "default"},
};

TSoundDeviceChoice Parse(const QStringList &arguments)
{
    const TSoundDeviceFlags flags;
    QCommandLineParser parser;
    flags.AddTo(parser);
    EXPECT_TRUE(parser.parse(QStringList{QStringLiteral("zelvaro")} + arguments)) << parser.errorText().toStdString();
    return flags.Given(parser);
}

}  // namespace

TEST(SoundDeviceFlags, NamesForThisRunOverrideTheRememberedOnesDirectionByDirection)
{
    EXPECT_EQ(Parse({}), TSoundDeviceChoice{});
    const TSoundDeviceChoice given = Parse({QStringLiteral("--output"), QStringLiteral("USB Audio CODEC")});
    EXPECT_EQ(given, (TSoundDeviceChoice{"", "USB Audio CODEC"}));
    EXPECT_EQ(EffectiveDevices(given, {"usb", "default"}), (TSoundDeviceChoice{"usb", "USB Audio CODEC"}));
    EXPECT_EQ(Parse({QStringLiteral("--input=usb")}).Input, "usb");
}

TEST(SoundDeviceFlags, GivenNamesAreCheckedAgainstTheDevicesPresent)
{
    EXPECT_EQ(CheckGivenDevices({"usb", "usb"}, kDevices), std::nullopt);
    EXPECT_EQ(CheckGivenDevices({}, {}), std::nullopt);  // nothing named: nothing to check
    const std::optional<std::string> both = CheckGivenDevices({"Scarlett", "default"}, kDevices);
    ASSERT_TRUE(both);
    EXPECT_NE(both->find("No input device is called \"Scarlett\""), std::string::npos) << *both;
    EXPECT_NE(both->find("\n\"default\" could name more than one output device:"), std::string::npos) << *both;
    EXPECT_TRUE(ListDevicesRequested(2, std::array<char *, 2>{const_cast<char *>("zelvaro"),
                                                              const_cast<char *>("--list-devices")}.data()));
}

TEST(SoundDeviceFlags, ListPrintsOneLinePerDeviceAndNotesAnEmptyList)
{
    char *out = nullptr, *err = nullptr;
    size_t outSize = 0, errSize = 0;
    std::FILE *outFile = open_memstream(&out, &outSize);
    std::FILE *errFile = open_memstream(&err, &errSize);
    EXPECT_EQ(PrintSoundDevices({kDevices[1], kDevices[2]}, outFile, errFile), 0);
    EXPECT_EQ(PrintSoundDevices({}, outFile, errFile), 0);
    std::fclose(outFile);
    std::fclose(errFile);
    EXPECT_STREQ(out, "input\tALSA\tdefault\tdefault\noutput\tALSA\tUSB Audio CODEC\n");
    EXPECT_STREQ(err, "No sound devices were found.\n");
    std::free(out);
    std::free(err);
}

TEST(DeviceSettings, NamesRoundTripAndAMissingOrUnwritableFileChangesNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("sub/SoundDevices.conf"));
    EXPECT_EQ(LoadDeviceChoice(path), TSoundDeviceChoice{});  // never saved: the defaults

    // Names are the devices' own text: colons, brackets, "=", "/" and non-ASCII included.
    const TSoundDeviceChoice choice{"USB Äudio [hw:1,0] = A/B", "JACK Audio Connection Kit: system;x"};
    ASSERT_TRUE(SaveDeviceChoice(path, choice));
    EXPECT_EQ(LoadDeviceChoice(path), choice);
    ASSERT_TRUE(SaveDeviceChoice(path, {}));
    EXPECT_EQ(LoadDeviceChoice(path), TSoundDeviceChoice{});

    ASSERT_TRUE(SaveDeviceChoice(path, choice));
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(SaveDeviceChoice(dir.filePath(QStringLiteral("file/SoundDevices.conf")), choice));
    EXPECT_EQ(LoadDeviceChoice(path), choice);
}

TEST(SoundDevicesDialog, ListsByHostApiAndNameWithDefaultsMarkedAndKeepsAMissingChoice)
{
    TSoundDevicesDlg dialog;
    dialog.ShowDevices(kDevices, {"", "USB Audio CODEC"});
    ASSERT_EQ(dialog.InputBox->count(), 3);
    EXPECT_EQ(dialog.InputBox->itemText(0), QStringLiteral("Default device"));
    EXPECT_EQ(dialog.InputBox->itemText(2), QStringLiteral("ALSA: default (default)"));
    ASSERT_EQ(dialog.OutputBox->count(), 4);
    EXPECT_EQ(dialog.OutputBox->itemText(3), QStringLiteral("OSS: default"));
    EXPECT_EQ(dialog.OutputBox->currentText(), QStringLiteral("ALSA: USB Audio CODEC"));
    EXPECT_EQ(dialog.Choice(), (TSoundDeviceChoice{"", "USB Audio CODEC"}));

    // Names shared across host APIs are kept qualified, so they find the same device again.
    dialog.OutputBox->setCurrentIndex(3);
    EXPECT_EQ(dialog.Choice().Output, "OSS: default");

    std::vector<TSoundDevice> named = kDevices;
    named[1].Name = "HDA Intel PCH: Analog (hw:0,0)";
    dialog.ShowDevices(named, {});
    EXPECT_EQ(dialog.InputBox->itemText(0), QStringLiteral("Default device (HDA Intel PCH: Analog (hw:0,0))"));
    EXPECT_EQ(dialog.Choice(), TSoundDeviceChoice{});

    // An unplugged card stays the choice until another is picked.
    dialog.ShowDevices(kDevices, {"Scarlett 2i2", "oss: default"});
    EXPECT_EQ(dialog.InputBox->currentText(), QStringLiteral("Scarlett 2i2 (not found)"));
    EXPECT_EQ(dialog.OutputBox->currentText(), QStringLiteral("OSS: default"));
    EXPECT_EQ(dialog.Choice(), (TSoundDeviceChoice{"Scarlett 2i2", "OSS: default"}));
}

// The window with a device choice remembered in a file of its own and an input named on the
// command line.
class SoundDevicesInTheWindow : public test::TLoopbackWindowTest {
protected:
    SoundDevicesInTheWindow()
    {
        FOptions.DeviceSettingsFile = FDeviceDir.filePath(QStringLiteral("SoundDevices.conf"));
        FOptions.GivenDevices = {"from the command line", ""};
    }
    void SetUp() override
    {
        ASSERT_TRUE(FDeviceDir.isValid());
        ASSERT_TRUE(SaveDeviceChoice(FOptions.DeviceSettingsFile, {"remembered in", "remembered out"}));
        TLoopbackWindowTest::SetUp();
    }

    QTemporaryDir FDeviceDir;
};

TEST_F(SoundDevicesInTheWindow, TheOptionsMenuOffersThemAndAChoiceIsKeptAndApplied)
{
    TMainForm &form = *FForm;
    EXPECT_EQ(form.OpMenu->actions().indexOf(form.OpSoundDevices), 2);
    EXPECT_EQ(form.OpSoundDevices->text(), QStringLiteral("Sound Devices..."));
    EXPECT_EQ(form.SoundDevicesInUse(), (TSoundDeviceChoice{"from the command line", "remembered out"}));

    form.BGeneratorClick();
    ASSERT_TRUE(form.DevicesOpen);
    form.UseSoundDevices({"new in", "new out"});
    EXPECT_TRUE(form.DevicesOpen);
    EXPECT_TRUE(form.GenOn);
    EXPECT_EQ(form.SoundDevicesInUse(), (TSoundDeviceChoice{"new in", "new out"}));
    EXPECT_EQ(LoadDeviceChoice(FOptions.DeviceSettingsFile), (TSoundDeviceChoice{"new in", "new out"}));
    form.BGeneratorClick();
    EXPECT_TRUE(FWarnings.isEmpty()) << FWarnings.join(u'\n').toStdString();
}
