#pragma once

#include <memory>

#include <QDialog>

#include "viewlogic/LedMonitor.h"

class DialogHost;
class GraphPalette;
class ImagePanel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// The modeless LED dialog: switches the LED unit and shows the monitor graph
// of the LED temperature and of the intensity at two wavelengths, sampled on a
// 500-ms grid. It deletes itself when closed; the host outlives it (the window
// deletes an open LED dialog before its view goes away).
class CControlLEDDlg : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kWidth = 650;
    static constexpr int kHeight = 800;

    explicit CControlLEDDlg(DialogHost& host, QWidget* parent = nullptr);
    ~CControlLEDDlg() override;

    LedMonitor& monitor() { return *monitor_; }
    ImagePanel* panel() const { return panel_; }
    // Timer 1 as it runs; returns the delay it re-armed with (public for tests).
    int OnTimer();
    // LED button 1043.
    void OnLedButton();
    // Fixes the client size so that the frame, title bar included, is
    // kWidth x kHeight: the size the dialog stores. The window system tells
    // the frame only once the dialog is shown, so this runs again then.
    void FitFrameToFixedSize();

  public slots:
    // Esc and the close box: store the window's place, then go away.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

  private:
    void ReadControls();
    void ShowControls();
    void ShowNotices();
    void Draw();

    DialogHost& host_;
    std::unique_ptr<LedMonitor> monitor_;
    std::unique_ptr<GraphPalette> palette_;
    QTimer* timer_ = nullptr;
    ImagePanel* panel_ = nullptr;
    QPushButton* ledButton_ = nullptr;
    QCheckBox* monitorBox_ = nullptr;
    QLineEdit* wave1_ = nullptr;
    QLineEdit* wave2_ = nullptr;
    QLabel* wave1Notice_ = nullptr;
    QLabel* wave2Notice_ = nullptr;
    bool placeStored_ = false;
};
