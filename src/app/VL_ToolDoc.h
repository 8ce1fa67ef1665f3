#pragma once

#include <functional>

#include <QObject>
#include <QString>

#include "data/FileResult.h"
#include "data/MeasurementDataSet.h"
#include "viewlogic/MainForm.h"

// The document: the data set of the whole run, its file name and the modified
// flag. New keeps the data (only the name and the flag start afresh); Open
// replaces the data only when the whole file was read.
class CVL_ToolDoc : public QObject, public DocumentHooks {
    Q_OBJECT
  public:
    explicit CVL_ToolDoc(QObject* parent = nullptr);
    ~CVL_ToolDoc() override;

    MeasurementDataSet& dataSet() { return data_; }
    const MeasurementDataSet& dataSet() const { return data_; }

    bool isModified() const { return modified_; }
    void setModified() override { setModifiedFlag(true); }
    // Asks through the prompt the frame set (question, then the save
    // question); on yes the document starts afresh, without a name. The main
    // view then empties the data set.
    bool offerNewDataSet(const QString& question) override {
        return newDataSetPrompt_ && newDataSetPrompt_(question);
    }
    void setNewDataSetPrompt(std::function<bool(const QString&)> prompt) {
        newDataSetPrompt_ = std::move(prompt);
    }
    void setModifiedFlag(bool modified);

    // Full path of the document's file; empty for a new document.
    QString filePath() const { return path_; }
    // "無題" for a new document, else the file's name.
    QString title() const;
    // Window caption: title + " - VL_Tool".
    QString windowTitle() const;

    // File > New: the data set stays as it is.
    void newDocument();
    // File > Open of a file of any readable format (an HDF5 file leaves the
    // name empty unless its devices have different grids). On failure the data set, name
    // and flag stay as they were.
    FileResult open(const QString& path);
    // File > Save / Save As into path: the readable format the name's extension
    // names (an HDF5 file for .h5), else a document file (refused for devices of different grids);
    // on success the document takes that name.
    FileResult save(const QString& path);
    static bool IsHdf5Name(const QString& path);

  signals:
    void titleChanged();

  private:
    MeasurementDataSet data_;
    QString path_;
    bool modified_ = false;
    std::function<bool(const QString&)> newDataSetPrompt_;
};
