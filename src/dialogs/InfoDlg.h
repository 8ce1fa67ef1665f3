#pragma once

#include <string>
#include <vector>

#include <QDialog>

#include "session/SensorInfo.h"

class DialogHost;
class QListWidget;

// The identity and calibration data of the current spectrometer, read afresh
// when the dialog is made (on the device's own thread with its port held, so
// the other devices are monitored meanwhile; the list says so until they are
// in); SAVE writes the shown lines to "<serial>.csv".
class CInfoDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CInfoDlg(DialogHost& host, QWidget* parent = nullptr);

    // Button 1018.
    void Save();
    const std::vector<std::string>& lines() const { return lines_; }

    bool loaded() const { return loaded_; }

  private:
    void Show(const SensorInfo& info);
    void SaveAs(const QByteArray& serial);

    DialogHost& host_;
    bool loaded_ = false;
    SensorInfo info_;
    std::vector<std::string> lines_;
    QListWidget* list_ = nullptr;
};
