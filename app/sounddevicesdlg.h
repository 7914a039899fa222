// TSoundDevicesDlg: choosing the input and output device by host API and name.
#pragma once

#include "sounddevices.h"

#include <QDialog>

#include <optional>
#include <vector>

class QComboBox;
class QPushButton;

namespace zelvaro {

// The label of a device in the lists: "host API: name", with " (default)" on the default device.
QString DeviceLabel(const TSoundDevice &device);

class TSoundDevicesDlg : public QDialog {
    Q_OBJECT

public:
    explicit TSoundDevicesDlg(QWidget *parent = nullptr);

    // Lists the devices as they are now, with current selected; gives the choice the user
    // accepted, or nothing when they cancelled.
    std::optional<TSoundDeviceChoice> Execute(const TSoundDeviceChoice &current);

    // Fills both lists: first "Default device", then every device of that direction. A current
    // name that matches no device stays in the list, marked, so accepting keeps it.
    void ShowDevices(const std::vector<TSoundDevice> &devices, const TSoundDeviceChoice &current);
    TSoundDeviceChoice Choice() const;

    QComboBox *InputBox;
    QComboBox *OutputBox;
    QPushButton *OkBtn;
    QPushButton *CancelBtn;
};

}  // namespace zelvaro
