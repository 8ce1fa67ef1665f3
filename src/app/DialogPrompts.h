#pragma once

#include "dialogs/UserPrompts.h"

// The window's questions in the real dialogs: message boxes, file dialogs and
// the number dialog. Their texts keep the contexts of the classes that asked
// them before (CMainFrame, CVL_ToolView), so the translation stays as it is.
class DialogPrompts : public UserPrompts {
  public:
    SaveAnswer saveChanges(QWidget* parent, const QString& text) override;
    QString documentPath(QWidget* parent, bool forSaving, const QString& suggested,
                         bool hdf5) override;
    QString exportPath(QWidget* parent, const DataSetFormat& format,
                       const QString& suggested) override;
    bool message(QWidget* parent, const QString& text, bool withCancel) override;
    bool editNumber(QWidget* parent, int& value) override;
    QString csvPath(QWidget* parent) override;
    QString savePath(QWidget* parent, const QString& filter, const QString& suffix) override;
};
