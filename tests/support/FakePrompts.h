#pragma once

#include <functional>

#include "dialogs/UserPrompts.h"

// The window's questions answered by the test: each member answers one kind,
// and a question without an answer set is cancelled. Export asks onFileName
// as a save.
class FakePrompts : public UserPrompts {
  public:
    std::function<SaveAnswer(const QString& text)> onSaveChanges;
    std::function<QString(bool forSaving, const QString& suggested)> onFileName;
    std::function<bool(const QString& text, bool withCancel)> onMessage;
    std::function<bool(int& value)> onEditNumber;
    std::function<QString()> onCsvPath;
    std::function<QString(const QString& filter, const QString& suffix)> onSavePath;

    SaveAnswer saveChanges(QWidget*, const QString& text) override {
        return onSaveChanges ? onSaveChanges(text) : SaveAnswer::Cancel;
    }
    QString documentPath(QWidget*, bool forSaving, const QString& suggested, bool) override {
        return onFileName ? onFileName(forSaving, suggested) : QString();
    }
    QString exportPath(QWidget*, const DataSetFormat&, const QString& suggested) override {
        return onFileName ? onFileName(true, suggested) : QString();
    }
    bool message(QWidget*, const QString& text, bool withCancel) override {
        return onMessage ? onMessage(text, withCancel) : false;
    }
    bool editNumber(QWidget*, int& value) override {
        return onEditNumber ? onEditNumber(value) : false;
    }
    QString csvPath(QWidget*) override { return onCsvPath ? onCsvPath() : QString(); }
    QString savePath(QWidget*, const QString& filter, const QString& suffix) override {
        return onSavePath ? onSavePath(filter, suffix) : QString();
    }
};
