#pragma once

#include <array>
#include <memory>

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

// The measurement plan dialog: scheduled or interval measurements while it is
// open. The scheduler does the work; this class forwards the user's actions
// and shows its state. Its settings are written when it is destroyed, however
// it was closed.
class CMeasurePlanDlg : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kTickMs = 300;

    explicit CMeasurePlanDlg(DialogHost& host, QWidget* parent = nullptr);
    ~CMeasurePlanDlg() override;

    PlanScheduler& scheduler() { return *scheduler_; }
    // The folder line and the file failure line as shown (tests).
    QString folderText() const;
    QString noticeText() const;
    // One timer tick, as the timer runs it (public for tests).
    void OnTimer();

  private:
    void BuildControls();
    void ReadControls();
    void ShowControls();
    void OnStart();
    void OnStop();
    void ShowFolder(const QString& folder);
    void ShowFileNotice();  // renewed at every tick

    DialogHost& host_;
    std::unique_ptr<PlanScheduler> scheduler_;
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
    QLabel* notice_ = nullptr;  // the plan file's failure, empty while it works
    QString folderText_;        // the folder line before it was cut to the label's width
};
