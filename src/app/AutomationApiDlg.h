#pragma once

#include <QDialog>

class AutomationApiHost;
class QCheckBox;
class QLabel;
class QLineEdit;

// Tools > Automation API: turns the API on and off and shows its address and
// token, each copyable.
class CAutomationApiDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAutomationApiDlg(AutomationApiHost& api, QWidget* parent = nullptr);

  private:
    void Show();

    AutomationApiHost& api_;
    QCheckBox* enabled_ = nullptr;
    QLineEdit* address_ = nullptr;
    QLineEdit* token_ = nullptr;
    QLabel* error_ = nullptr;
};
