#pragma once

#include <memory>
#include <vector>

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include "device/PortProvider.h"
#include "session/RecoveryJournal.h"
#include "viewlogic/ControlId.h"

class CControlLEDDlg;
class CInfoDlg;
class CMeasurePlanDlg;
class CTrendDlg;
class CVL_ToolDoc;
class CVL_ToolView;
class Clock;
class DeviceLink;
class MainViewLogic;
class QtTimerHost;
class PortExecutor;
class SettingsStore;
class UserPrompts;
class LiveGraph;
class ViewDialogHost;

// Binds the main form to the view logic: forwards the user's clicks, choices,
// mouse presses and resizes, runs the logic's timers on QTimers, paints the
// graph panel, saves the data list as CSV and opens the secondary dialogs.
class ViewController : public QObject {
    Q_OBJECT
  public:
    struct Setup {
        std::unique_ptr<PortProvider> ports;
        Clock* clock = nullptr;
        int settleMs = 3000;
        SettingsStore* settings = nullptr;
        QString programFolder;  // ends with a separator; xyz.bmp is looked for beside it first
        // Where port work runs: one worker thread per port when null (the
        // window); tests hand in one that runs it at once.
        std::shared_ptr<PortExecutor> executor;
        // Where the recovery journal goes; none when empty (pictures, tests).
        QString recoveryFolder;
        // The questions to the user; the main frame opens the real dialogs
        // when none are handed in.
        UserPrompts* prompts = nullptr;
    };

    ViewController(CVL_ToolView& form, CVL_ToolDoc& doc, Setup setup, QObject* parent = nullptr);
    ~ViewController() override;

    MainViewLogic& logic() { return *logic_; }
    DeviceLink& link() { return *link_; }
    QtTimerHost& timers() { return *timers_; }
    CVL_ToolView& form() { return form_; }
    CVL_ToolDoc& document() { return doc_; }
    // The modeless LED dialog while it is open.
    CControlLEDDlg* ledDialog() const;
    // View > Trends: opens the trend window, or raises the one already open. It
    // follows the data list's rows, and a clicked point selects that record.
    void OpenTrends();
    CTrendDlg* trendDialog() const;

    // The status-bar readout for the cursor at a point of the graph panel,
    // from the same input the graph is drawn from; empty off the plot.
    QString CursorReadout(QPoint panelPoint) const;

    // The form's initial update (start, File > New, File > Open).
    void InitialUpdate();
    // Ports with a spectrometer or LED identity that the last search could not
    // open, one sentence each with its remedy; empty when there were none.
    QString PortNotice() const { return portNotice_; }

    // Why the measurement plan's file could not take its last line, and that
    // the data list is full; empty while neither is so.
    QString PlanFileNotice() const;
    // While the plan runs: its next measurement, records taken and file; else "".
    QString PlanStatus() const;
    void StopPlan();
    // The modeless plan and sensor-information dialogs while they are open.
    CMeasurePlanDlg* planDialog() const;
    CInfoDlg* sensorDialog() const;
    // The devices that do not answer ("" when all do).
    QString DeviceNotice() const;
    // Why the recovery journal does not work ("" while it does).
    QString JournalNotice() const { return journalNotice_; }
    // At start, before the first update: journals of copies that died are
    // offered for restoring (one question); the newest goes into the data list.
    // They stay until the clean end.
    void OfferLeftoverJournals();
    // The program ends after the save question: the journal and the leftovers
    // answered for are deleted.
    void EndCleanly();

  signals:
    // The port notice may have changed (after a search for devices).
    void portNoticeChanged();
    // A detection (start-up or re-detect) or a document's update is done: the
    // devices and their menu commands are known.
    void devicesReady();
    // The plan file notice changed.
    void planFileNoticeChanged();
    // The plan started, stopped or took a measurement.
    void planStateChanged();
    // A device stopped answering or answers again.
    void deviceNoticeChanged();

  public:
    // Menu commands of the view.
    bool DarkSettingEnabled() const;
    bool UploadEnabled() const;
    void OnDarkSetting();
    void OnUpload();

    // Button 1011: asks for a file (csv file(*.csv), default suffix csv, no
    // overwrite question) and writes the whole data set; a write failure is
    // reported in a message box.
    void SaveCsv();

  private:
    void OnClicked(ControlId id);
    void OnSelection(ControlId id, int index);
    void OpenMeasurePlan();
    void OpenSensorInfo();
    void OpenLedDetails();
    // Collects the link's port diagnostics after a search; new ones go to
    // stderr too, for those who start the window from a terminal.
    void UpdatePortNotice();

    CVL_ToolView& form_;
    CVL_ToolDoc& doc_;
    Setup setup_;
    std::shared_ptr<PortExecutor> executor_;
    std::unique_ptr<DeviceLink> link_;
    std::unique_ptr<LiveGraph> graph_;
    QtTimerHost* timers_ = nullptr;
    std::unique_ptr<MainViewLogic> logic_;
    std::unique_ptr<ViewDialogHost> host_;
    // Every LED dialog opened and not yet gone (the last one is "the" dialog).
    std::vector<QPointer<CControlLEDDlg>> ledDialogs_;
    QPointer<CTrendDlg> trendDialog_;
    QPointer<CMeasurePlanDlg> planDialog_;
    QPointer<CInfoDlg> sensorDialog_;
    QString portNotice_;
    std::unique_ptr<RecoveryJournal> journal_;
    QString journalNotice_;
    std::vector<LeftoverJournal> leftovers_;  // answered for; removed at the clean end
};
