#pragma once

#include <QString>

class QWidget;
struct DataSetFormat;

// The questions the window asks the user, each a modal dialog over parent.
// The window asks them all through one of these (app/DialogPrompts opens the
// real dialogs); tests hand in their own answers.
class UserPrompts {
  public:
    enum class SaveAnswer { Yes, No, Cancel };

    virtual ~UserPrompts() = default;

    // Whether to save a modified document (text names it).
    virtual SaveAnswer saveChanges(QWidget* parent, const QString& text) = 0;
    // The document's open or save dialog; a save with hdf5 proposes an HDF5
    // file. Empty when cancelled, as for every path below.
    virtual QString documentPath(QWidget* parent, bool forSaving, const QString& suggested,
                                 bool hdf5) = 0;
    // File > Export into format.
    virtual QString exportPath(QWidget* parent, const DataSetFormat& format,
                               const QString& suggested) = 0;
    // A message box with OK (and Cancel): true for OK.
    virtual bool message(QWidget* parent, const QString& text, bool withCancel) = 0;
    // The number dialog: true, and the value changed, on OK.
    virtual bool editNumber(QWidget* parent, int& value) = 0;
    // The data list's CSV (no overwrite question).
    virtual QString csvPath(QWidget* parent) = 0;
    // The trend window's CSV or picture: filter and default suffix in.
    virtual QString savePath(QWidget* parent, const QString& filter, const QString& suffix) = 0;
};
