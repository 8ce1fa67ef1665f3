#pragma once

#include <memory>

#include <QDialog>

#include "session/LoggedRecordUpload.h"

class DialogHost;
class GraphPalette;
class ImagePanel;
class QListWidget;

// Uploads the records logged in the current LX device, lists them, draws the
// selected one (the first when the upload ends) and saves them all as CSV. The
// upload starts when the dialog is executed, on the device's own thread with
// the device's port held for it (no monitoring exchange falls between the
// count and the last record; the other devices are monitored meanwhile), with
// a progress dialog that can cancel it; records read before a cancel are kept
// and shown.
class CReadDataDlg : public QDialog {
    Q_OBJECT
  public:
    // The upload's progress dialog appears after progressDelayMs (Qt's 4 s when negative).
    explicit CReadDataDlg(DialogHost& host, QWidget* parent = nullptr, int progressDelayMs = -1);
    ~CReadDataDlg() override;

    // Uploads (showing progress when asked), then shows the modal dialog.
    int exec() override;
    // The upload and the list; withProgress false runs it without any window.
    // It may finish later (on the device's thread): uploadDone() tells.
    void RunUpload(bool withProgress);
    bool uploadDone() const { return uploadDone_; }
    // Draws record k into the graph panel (list selection).
    void DrawLoggedRecord(int k);
    // Button 1017: prompt for a path and write the CSV.
    void SaveLoggedRecordsCsv();

    const LoggedRecordUpload& upload() const { return *upload_; }
    bool cancelled() const { return cancelled_; }

  private:
    void ShowUploaded();

    DialogHost& host_;
    std::shared_ptr<LoggedRecordUpload> upload_;  // shared with the device's thread
    bool cancelled_ = false;
    bool uploaded_ = false;
    bool uploadDone_ = false;
    const int progressDelayMs_;
    std::unique_ptr<GraphPalette> palette_;
    ImagePanel* panel_ = nullptr;
    QListWidget* list_ = nullptr;
};
