#include "app/DialogPrompts.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "app/EditNumDlg.h"
#include "export/DataSetFormats.h"

namespace {
// The first chosen file of an accepted dialog; empty otherwise.
QString Chosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}
}  // namespace

UserPrompts::SaveAnswer DialogPrompts::saveChanges(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("VL_Tool"), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.button(QMessageBox::Yes)->setText(QCoreApplication::translate("CMainFrame", "はい(&Y)"));
    box.button(QMessageBox::No)->setText(QCoreApplication::translate("CMainFrame", "いいえ(&N)"));
    box.button(QMessageBox::Cancel)
        ->setText(QCoreApplication::translate("CMainFrame", "キャンセル"));
    const int r = box.exec();
    return r == QMessageBox::Yes  ? SaveAnswer::Yes
           : r == QMessageBox::No ? SaveAnswer::No
                                  : SaveAnswer::Cancel;
}

QString DialogPrompts::documentPath(QWidget* parent, bool forSaving, const QString& suggested,
                                    bool hdf5) {
    QFileDialog dialog(parent);
    // Save of devices with different grids: only HDF5 holds them.
    const DataSetFormat& format = hdf5 ? *FormatForName(QStringLiteral(".h5")) : DocumentFormat();
    dialog.setNameFilter(FormatFilter(format));
    dialog.setDefaultSuffix(format.extensions.first().mid(1));
    if (forSaving) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setWindowTitle(QCoreApplication::translate("CMainFrame", "名前を付けて保存"));
        if (!suggested.isEmpty())
            dialog.selectFile(suggested);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters(OpenFilters().split(QStringLiteral(";;")));
        dialog.setWindowTitle(QCoreApplication::translate("CMainFrame", "開く"));
    }
    return Chosen(dialog);
}

QString DialogPrompts::exportPath(QWidget* parent, const DataSetFormat& format,
                                  const QString& suggested) {
    // The entry's caption without its ellipsis: "HDF5 にエクスポート".
    QFileDialog dialog(parent, QCoreApplication::translate("CMainFrame", format.exportCaption)
                                   .remove(QString::fromUtf8("…")));
    dialog.setNameFilter(FormatFilter(format));
    dialog.setDefaultSuffix(QString(format.dialogPatterns).section(' ', 0, 0).mid(2));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectFile(suggested);
    return Chosen(dialog);
}

bool DialogPrompts::message(QWidget* parent, const QString& text, bool withCancel) {
    const auto buttons = withCancel ? (QMessageBox::Ok | QMessageBox::Cancel) : QMessageBox::Ok;
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("VL_Tool"), text, buttons, parent);
    box.setDefaultButton(QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    if (withCancel)
        box.button(QMessageBox::Cancel)
            ->setText(QCoreApplication::translate("CVL_ToolView", "キャンセル"));
    return box.exec() == QMessageBox::Ok;
}

bool DialogPrompts::editNumber(QWidget* parent, int& value) {
    CEditNumDlg dialog(value, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = dialog.value();
    return true;
}

QString DialogPrompts::csvPath(QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("csv file(*.csv)"));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    return Chosen(dialog);
}

QString DialogPrompts::savePath(QWidget* parent, const QString& filter, const QString& suffix) {
    QFileDialog dialog(parent, QString(), QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}
