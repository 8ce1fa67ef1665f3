#include "app/EditNumDlg.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/NumberEdit.h"

CEditNumDlg::CEditNumDlg(int value, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint), value_(value) {
    edit_ = new QLineEdit(QString::asprintf("%d", value), this);
    edit_->setObjectName("1013");
    // Axis limits may be negative.
    AcceptWholeNumbersOnly(edit_, NumberSign::Signed);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("キャンセル"), this);
    cancel->setObjectName("2");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit_);
    layout->addLayout(buttons);
    edit_->selectAll();
}

void CEditNumDlg::accept() {
    // atoi as the C library has it; out-of-range numbers saturate.
    const long long v = std::strtoll(edit_->text().toLocal8Bit().constData(), nullptr, 10);
    value_ = static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
    QDialog::accept();
}
