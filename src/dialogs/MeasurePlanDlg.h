#pragma once

#include <array>

#include <QDialog>

#include "viewlogic/PlanScheduler.h"

class DialogHost;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

// The measurement plan dialog, modeless: it shows the plan the main view runs
// (scheduled or interval measurements) and forwards the user's actions to it.
// Closing it leaves a running plan running; "停止" stops it. The controls as
// the user left them become the plan's settings when it closes, however it
// was closed.
class CMeasurePlanDlg : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kTickMs = 300;

    explicit CMeasurePlanDlg(DialogHost& host, QWidget* parent = nullptr);
    ~CMeasurePlanDlg() override;

    PlanScheduler& scheduler() { return plan_; }
    // The folder line, the file failure line and the plan's state as shown (tests).
    QString folderText() const;
    QString noticeText() const;
    QString statusText() const;
    // One refresh of the clock and the plan's state, as the timer runs it
    // (public for tests).
    void OnTimer();

  private:
    void BuildControls();
    void ReadControls();
    void ShowControls();
    void OnStart();
    void OnStop();
    void OnChooseFolder();
    void ShowFolder(const QString& folder);
    void ShowState();  // renewed at every refresh

    DialogHost& host_;
    PlanScheduler& plan_;
    bool shownRunning_ = false;
    QTimer* timer_ = nullptr;
    QLabel* clock_ = nullptr;
    QRadioButton* scheduled_ = nullptr;
    QRadioButton* interval_ = nullptr;
    QComboBox* schedule_ = nullptr;
    QLineEdit* intervalEdit_ = nullptr;
    QCheckBox* limit_ = nullptr;
    std::array<QLineEdit*, 4> window_{};
    QCheckBox* append_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
    QLabel* folder_ = nullptr;  // where the plan's files go
    QLabel* notice_ = nullptr;  // the plan file's failure and a full data list
    QLabel* status_ = nullptr;  // running: next measurement, records, file
    QString folderText_;        // the folder line before it was cut to the label's width
};
