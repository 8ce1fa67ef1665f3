#pragma once

#include <vector>

#include <QDialog>
#include <QElapsedTimer>

#include "data/TrendColour.h"
#include "data/TrendSeries.h"

class QAbstractItemModel;
class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class TrendColourTask;
struct TrendColourInput;
class TrendPlotView;
class UserPrompts;

// The modeless trend window: series of the data set's records per device
// (intensity at a wavelength, band mean, peak height and wavelength, x and y,
// u', v', CCT, temperature) against time or record number, one panel per unit.
// It reads the data set it is given and redraws on Refresh(); clicking a point
// emits recordChosen. It deletes itself when closed. The colour series are
// worked out on another thread from a copy of the spectra they need, so a long
// run does not hold the window; the status line tells the progress once that
// takes longer than half a second, and saving waits until they are in.
class CTrendDlg : public QDialog {
    Q_OBJECT
  public:
    // The save paths are asked through prompts; the progress shows once the
    // colour series take longer than progressDelayMs.
    CTrendDlg(const MeasurementDataSet& data, UserPrompts& prompts, QWidget* parent = nullptr,
              int progressDelayMs = 500);
    ~CTrendDlg() override;

    // Refresh (queued, so the data set is complete, and once for a burst of
    // changes) whenever the data list's rows are inserted, removed or reset:
    // the list holds one row per record.
    void FollowModel(QAbstractItemModel* model);
    void ScheduleRefresh();

    const TrendTable& table() const { return table_; }
    TrendPlotView* plotView() const { return view_; }
    QString statusText() const;
    QCheckBox* deviceBox(int d) const;
    QCheckBox* kindBox(TrendKind kind) const;
    QLineEdit* wavelengthEdit() const { return nm_; }
    QComboBox* axisCombo() const { return axis_; }
    // Whether colour columns are still being worked out (they hold NaN meanwhile).
    bool colourPending() const;

  public slots:
    // The records changed (stored, deleted, a document opened): compute and draw again.
    void Refresh();
    void SaveCsv();
    void SavePng();

  signals:
    void recordChosen(int record);

  private:
    void BuildDeviceBoxes();
    std::vector<TrendRequest> Requests(QString& problem) const;
    void ShowStatus(const QString& text);
    void ColourDone(std::shared_ptr<const TrendColourInput> input, const TrendColourValues& values);
    void ShowProgress();
    void Redraw();

    const MeasurementDataSet& data_;
    TrendTable table_;
    TrendColourTask* colourTask_ = nullptr;
    QTimer* progressTimer_ = nullptr;
    QElapsedTimer colourClock_;
    UserPrompts& prompts_;
    const int progressDelayMs_;
    QString progress_;
    QPushButton* saveCsv_ = nullptr;
    QPushButton* savePng_ = nullptr;
    std::vector<int> shown_;
    TrendPlotView* view_ = nullptr;
    QHBoxLayout* deviceRow_ = nullptr;
    std::vector<QCheckBox*> deviceBoxes_;
    std::vector<QCheckBox*> kindBoxes_;  // by TrendKind
    QLineEdit* nm_ = nullptr;
    QLineEdit* bandFrom_ = nullptr;
    QLineEdit* bandTo_ = nullptr;
    QComboBox* axis_ = nullptr;
    QLabel* status_ = nullptr;
    QString problem_;
    bool refreshPending_ = false;
};
