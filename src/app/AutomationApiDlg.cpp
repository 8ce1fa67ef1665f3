#include "app/AutomationApiDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AutomationApiHost.h"

namespace {
// A read-only line with a button that copies it.
QWidget* CopyableLine(QLineEdit* line, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    line->setReadOnly(true);
    layout->addWidget(line, 1);
    auto* copy = new QPushButton(QObject::tr("コピー"), row);
    copy->setAutoDefault(false);
    QObject::connect(copy, &QPushButton::clicked, line,
                     [line] { QApplication::clipboard()->setText(line->text()); });
    layout->addWidget(copy);
    return row;
}
}  // namespace

CAutomationApiDlg::CAutomationApiDlg(AutomationApiHost& api, QWidget* parent)
    : QDialog(parent), api_(api) {
    setObjectName("automationApi");
    setWindowTitle(tr("自動化 API"));
    auto* layout = new QVBoxLayout(this);
    enabled_ = new QCheckBox(tr("自動化 API を有効にする (127.0.0.1 のみ)"), this);
    enabled_->setObjectName("apiEnabled");
    layout->addWidget(enabled_);
    auto* form = new QFormLayout;
    address_ = new QLineEdit(this);
    address_->setObjectName("apiAddress");
    token_ = new QLineEdit(this);
    token_->setObjectName("apiToken");
    token_->setMinimumWidth(token_->fontMetrics().horizontalAdvance(QString(64, 'f')) + 16);
    form->addRow(tr("アドレス"), CopyableLine(address_, this));
    form->addRow(tr("トークン"), CopyableLine(token_, this));
    layout->addLayout(form);
    error_ = new QLabel(this);
    error_->setObjectName("apiError");
    error_->setWordWrap(true);
    error_->setStyleSheet(QStringLiteral("color: #c00000"));
    layout->addWidget(error_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(enabled_, &QCheckBox::clicked, this, [this](bool on) { api_.SetEnabled(on); });
    connect(&api_, &AutomationApiHost::changed, this, &CAutomationApiDlg::Show);
    Show();
}

void CAutomationApiDlg::Show() {
    enabled_->setChecked(api_.enabled());
    address_->setText(api_.url());
    token_->setText(QString::fromLatin1(api_.token()));
    error_->setText(api_.error());
}
