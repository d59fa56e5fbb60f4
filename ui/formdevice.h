#pragma once

#include <QString>
#include <QWidget>

class Ui_FormDevice;

// The firmware version as the panel shows it. The device numbers its builds 0.1.x while the product is sold as 1.0:
// a build that a release of the client carried shows as that release's number (0.1.153 as 1.0.20), every other 0.1.x
// as 1.0.x, anything else as reported.
QString displayedVersion(quint8 major, quint8 minor, quint8 build);

// The small panel in the step table that shows the identified device: its picture and the HW, SKU and FW rows.
// It is filled once by the constructor and only displays.
class FormDevice : public QWidget
{
    Q_OBJECT

public:
    // parent is required: the panel takes a seventh of its height (the main window's) as its own, or what its
    // lines need where that is more.
    explicit FormDevice(QWidget *parent, QString hardwareText, QString skuText, quint8 fwMajor, quint8 fwMinor,
                        quint8 fwBuild);
    ~FormDevice() override;

private:
    Ui_FormDevice *ui;
};
