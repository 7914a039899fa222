// The sound devices dialog: two lists in the dialogs' frame and colours, names kept as the settings keep them.
#include "sounddevicesdlg.h"

#include "dialogparts.h"

#include <QComboBox>
#include <QPushButton>

namespace zelvaro {

namespace {

constexpr int kClientWidth = 420;
constexpr int kClientHeight = 150;
constexpr int kListLeft = 90;
constexpr int kListWidth = 310;
constexpr int kListHeight = 24;

QComboBox *MakeDeviceList(QWidget *parent, const QString &caption, int top)
{
    MakeDialogLabel(parent, caption, 20, top + 4);
    auto *list = new QComboBox(parent);
    list->setGeometry(kListLeft, top, kListWidth, kListHeight);
    list->setFont(DialogFont(12));
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return list;
}

void FillList(QComboBox *list, const std::vector<TSoundDevice> &devices, TWaveDirection direction,
              const std::string &current)
{
    list->clear();
    QString defaultName;
    for (const TSoundDevice &device : devices) {
        if (device.Direction == direction && device.IsDefault)
            defaultName = QString::fromStdString(device.Name);
    }
    // The sound server's own default device is simply called "default"; it needs no second mention.
    const bool plain = defaultName.isEmpty() || defaultName == QStringLiteral("default");
    list->addItem(plain ? QStringLiteral("Default device")
                                        : QStringLiteral("Default device (%1)").arg(defaultName),
                  QString());
    for (const TSoundDevice &device : devices) {
        if (device.Direction == direction)
            list->addItem(DeviceLabel(device), QString::fromStdString(DeviceKey(devices, device)));
    }
    if (current.empty())
        return;
    const TDeviceMatch match = MatchDevice(devices, direction, current);
    if (match.Device) {
        list->setCurrentIndex(list->findData(QString::fromStdString(DeviceKey(devices, *match.Device))));
        return;
    }
    // An unplugged card stays chosen until the user picks another device.
    list->addItem(QStringLiteral("%1 (not found)").arg(QString::fromStdString(current)),
                  QString::fromStdString(current));
    list->setCurrentIndex(list->count() - 1);
}

}  // namespace

QString DeviceLabel(const TSoundDevice &device)
{
    QString label = QString::fromStdString(device.HostApi) + QStringLiteral(": ") + QString::fromStdString(device.Name);
    if (device.IsDefault)
        label += QStringLiteral(" (default)");
    return label;
}

TSoundDevicesDlg::TSoundDevicesDlg(QWidget *parent) : QDialog(parent)
{
    SetUpDialogFrame(this, QStringLiteral("Sound devices"), kClientWidth, kClientHeight);
    InputBox = MakeDeviceList(this, QStringLiteral("Input"), 24);
    InputBox->setObjectName(QStringLiteral("InputBox"));
    OutputBox = MakeDeviceList(this, QStringLiteral("Output"), 64);
    OutputBox->setObjectName(QStringLiteral("OutputBox"));

    OkBtn = new QPushButton(QStringLiteral("OK"), this);
    OkBtn->setGeometry(100, 110, 75, 25);
    OkBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setGeometry(245, 110, 75, 25);
    setTabOrder(InputBox, OutputBox);
    setTabOrder(OutputBox, OkBtn);
    setTabOrder(OkBtn, CancelBtn);
    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TSoundDevicesDlg::ShowDevices(const std::vector<TSoundDevice> &devices, const TSoundDeviceChoice &current)
{
    FillList(InputBox, devices, TWaveDirection::In, current.Input);
    FillList(OutputBox, devices, TWaveDirection::Out, current.Output);
}

TSoundDeviceChoice TSoundDevicesDlg::Choice() const
{
    return {InputBox->currentData().toString().toStdString(), OutputBox->currentData().toString().toStdString()};
}

std::optional<TSoundDeviceChoice> TSoundDevicesDlg::Execute(const TSoundDeviceChoice &current)
{
    ShowDevices(ListSoundDevices(), current);
    InputBox->setFocus();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return Choice();
}

}  // namespace zelvaro
