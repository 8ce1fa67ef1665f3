#include "app/VL_ToolView.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/GraphPanel.h"
#include "dialogs/NumberEdit.h"
#include "dialogs/UserPrompts.h"

namespace {
// True for an empty list too: the first records then keep the end in view.
bool LastRowVisible(const QListWidget& list) {
    if (list.count() == 0)
        return true;
    const QRect last = list.visualItemRect(list.item(list.count() - 1));
    return last.isValid() && last.top() < list.viewport()->height();
}
}  // namespace

CVL_ToolView::CVL_ToolView(UserPrompts& prompts, QWidget* parent)
    : QWidget(parent), prompts_(prompts) {
    setObjectName("CVL_ToolView");
    buildControls();
    // Moves over the panel reach the form even with no button held; entering
    // any other control leaves the graph.
    setMouseTracking(true);
    for (auto& [key, w] : controls_) {
        if (w != panel_)
            w->installEventFilter(this);
    }
}

CVL_ToolView::~CVL_ToolView() = default;

template <class W>
W* CVL_ToolView::make(ControlId id, const QString& caption) {
    W* w = nullptr;
    if constexpr (std::is_constructible_v<W, QString, QWidget*>) {
        w = caption.isNull() ? new W(this) : new W(caption, this);
    } else {
        w = new W(this);
    }
    w->setObjectName(QString::number(static_cast<int>(id)));
    controls_[static_cast<int>(id)] = w;
    return w;
}

void CVL_ToolView::buildControls() {
    auto* title = new QLabel(QStringLiteral("Velarim Tool"), this);
    title->setObjectName("title");
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setGeometry(10, 12, 220, 30);

    // Created in the order of the layout table, which is also the tab order.
    make<QCheckBox>(ControlId::LedCheck, QStringLiteral("LED"));
    make<QPushButton>(ControlId::LedDetails, tr("詳細"));
    panel_ = new GraphPanel(this);
    panel_->setObjectName(QString::number(static_cast<int>(ControlId::GraphPanel)));
    controls_[static_cast<int>(ControlId::GraphPanel)] = panel_;
    make<QComboBox>(ControlId::ModeCombo);
    make<QPushButton>(ControlId::Redetect, tr("再検出"));
    make<QPushButton>(ControlId::Sensor, QStringLiteral("Sensor"));
    make<QListWidget>(ControlId::DeviceList);
    make<QLabel>(ControlId::ExposureLabel, tr("露光時間(us)"));
    make<QLabel>(ControlId::SettingsNotice, QString());
    make<QPushButton>(ControlId::ExposureDown, QStringLiteral("-"));
    make<QLineEdit>(ControlId::ExposureEdit);
    make<QPushButton>(ControlId::ExposureUpdate, tr("更新"));
    make<QPushButton>(ControlId::ExposureUp, QStringLiteral("+"));
    make<QLabel>(ControlId::AveragingLabel, tr("平均回数"));
    make<QComboBox>(ControlId::AveragingCombo);
    make<QLineEdit>(ControlId::AuxEdit);
    make<QPushButton>(ControlId::Acquire, tr("データ取得"));
    make<QCheckBox>(ControlId::Continuous, tr("連続"));
    make<QLineEdit>(ControlId::IntervalEdit);
    make<QLabel>(ControlId::DataListLabel, tr("データリスト"));
    make<QPushButton>(ControlId::MeasurePlan, tr("計測プラン"));
    // Rows of one line each: laying out 10000 of them takes no text layout.
    auto* dataList = make<QListWidget>(ControlId::DataList);
    dataList->setUniformItemSizes(true);
    // Several records at once (shift, control) for deleting them together.
    dataList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    make<QPushButton>(ControlId::Delete, tr("削除"));
    make<QPushButton>(ControlId::Reference, tr("基準登録"));
    make<QPushButton>(ControlId::Comparison, tr("参照"));
    make<QPushButton>(ControlId::SaveCsv, tr("CSV保存"));

    for (auto& [key, w] : controls_) {
        const auto id = static_cast<ControlId>(key);
        if (auto* b = qobject_cast<QPushButton*>(w)) {
            b->setAutoDefault(false);
            connect(b, &QPushButton::clicked, this, [this, id] { emit clicked(id); });
        } else if (auto* c = qobject_cast<QCheckBox*>(w)) {
            connect(c, &QCheckBox::clicked, this, [this, id] { emit clicked(id); });
        } else if (auto* l = qobject_cast<QListWidget*>(w); l && id == ControlId::DataList) {
            // Focus alone makes a row current without selecting it; only a
            // row the user selects (mouse or keys) shows a stored record.
            // Of several rows the current one (clicked last) is shown; a row
            // unchosen with control leaves the last of those still chosen.
            connect(l, &QListWidget::itemSelectionChanged, this, [this, id] {
                const int row = currentRow(id);
                if (row >= 0)
                    emit selectionChanged(id, row);
            });
        } else if (auto* l = qobject_cast<QListWidget*>(w)) {
            connect(l, &QListWidget::currentRowChanged, this,
                    [this, id](int row) { emit selectionChanged(id, row); });
        } else if (auto* cb = qobject_cast<QComboBox*>(w)) {
            connect(cb, &QComboBox::activated, this,
                    [this, id](int index) { emit selectionChanged(id, index); });
        }
    }
    // The edits hold numbers: text left to right, no frame changes.
    for (ControlId id : {ControlId::ExposureEdit, ControlId::AuxEdit, ControlId::IntervalEdit})
        qobject_cast<QLineEdit*>(control(id))->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Numbers only; the auxiliary setting alone can be negative.
    auto* exposure = qobject_cast<QLineEdit*>(control(ControlId::ExposureEdit));
    AcceptWholeNumbersOnly(exposure, NumberSign::Unsigned);
    AcceptWholeNumbersOnly(qobject_cast<QLineEdit*>(control(ControlId::IntervalEdit)),
                           NumberSign::Unsigned);
    AcceptWholeNumbersOnly(qobject_cast<QLineEdit*>(control(ControlId::AuxEdit)),
                           NumberSign::Signed);
    // The two edits without a caption of their own say what they set.
    control(ControlId::AuxEdit)
        ->setToolTip(tr("補助設定: 選択中の装置に送る整数（単位なし、"
                        "-2147483648～2147483647）。ファームウェア 1.5 より新しい装置だけ"));
    control(ControlId::IntervalEdit)
        ->setToolTip(tr("連続取得の間隔: ミリ秒（0～2147483647）。"
                        "0 ではモニタリングのたびに記録します"));
    for (ControlId id : {ControlId::ExposureEdit, ControlId::AuxEdit})
        connect(qobject_cast<QLineEdit*>(control(id)), &QLineEdit::textEdited, this,
                [this, id] { emit edited(id); });
    // Enter in the exposure edit sends the value as "更新" does.
    connect(exposure, &QLineEdit::returnPressed, this,
            [this] { emit clicked(ControlId::ExposureUpdate); });
    qobject_cast<QComboBox*>(control(ControlId::ModeCombo))->setMaxVisibleItems(8);
    // The averaging list is long: it scrolls rather than running off the screen.
    auto* averaging = qobject_cast<QComboBox*>(control(ControlId::AveragingCombo));
    averaging->setMaxVisibleItems(20);
    averaging->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    for (ControlId id :
         {ControlId::ExposureLabel, ControlId::AveragingLabel, ControlId::DataListLabel})
        qobject_cast<QLabel*>(control(id))->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A refused value is told beside the exposure edit, small and in red, on
    // two lines when it needs them.
    auto* notice = qobject_cast<QLabel*>(control(ControlId::SettingsNotice));
    notice->setWordWrap(true);
    notice->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    QFont noticeFont = notice->font();
    noticeFont.setPointSizeF(noticeFont.pointSizeF() * 0.85);
    notice->setFont(noticeFont);
    QPalette noticePalette = notice->palette();
    noticePalette.setColor(QPalette::WindowText, QColor(0xC0, 0x00, 0x00));
    notice->setPalette(noticePalette);
}

QWidget* CVL_ToolView::control(ControlId id) const {
    const auto it = controls_.find(static_cast<int>(id));
    return it == controls_.end() ? nullptr : it->second;
}

GraphPanel* CVL_ToolView::graphPanel() const {
    return panel_;
}

QString CVL_ToolView::text(ControlId id) const {
    QWidget* w = control(id);
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* c = qobject_cast<QComboBox*>(w))
        return c->currentText();
    if (auto* l = qobject_cast<QListWidget*>(w))
        return l->currentItem() ? l->currentItem()->text() : QString();
    return QString();
}

void CVL_ToolView::setText(ControlId id, const QString& text) {
    QWidget* w = control(id);
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(text);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(text);
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(text);
    }
}

void CVL_ToolView::setEnabled(ControlId id, bool enabled) {
    if (QWidget* w = control(id))
        w->setEnabled(enabled);
}

void CVL_ToolView::setVisible(ControlId id, bool visible) {
    if (QWidget* w = control(id))
        w->setVisible(visible);
}

bool CVL_ToolView::isChecked(ControlId id) const {
    auto* b = qobject_cast<QAbstractButton*>(control(id));
    return b && b->isChecked();
}

void CVL_ToolView::setChecked(ControlId id, bool checked) {
    if (auto* b = qobject_cast<QAbstractButton*>(control(id))) {
        const QSignalBlocker blocker(b);
        b->setChecked(checked);
    }
}

void CVL_ToolView::setGeometry(ControlId id, const QRect& rect) {
    QWidget* w = control(id);
    if (!w)
        return;
    QRect r = rect;
    if (qobject_cast<QComboBox*>(w))
        r.setHeight(std::min(rect.height(), w->sizeHint().height()));
    w->setGeometry(r);
    if (id == ControlId::GraphPanel)
        w->update();
}

void CVL_ToolView::clearList(ControlId id) {
    if (auto* l = qobject_cast<QListWidget*>(control(id))) {
        const QSignalBlocker blocker(l);
        l->clear();
    }
}

void CVL_ToolView::addListItem(ControlId id, const QString& text) {
    auto* l = qobject_cast<QListWidget*>(control(id));
    if (!l)
        return;
    const QSignalBlocker blocker(l);
    // A new record stays in view while the user watches the end of the list;
    // one who has scrolled up to older records is left there.
    const bool followEnd = id == ControlId::DataList && LastRowVisible(*l);
    l->addItem(text);
    if (followEnd)
        l->scrollToBottom();
}

// One layout for the whole list instead of one for each row (a rebuilt list of
// 10000 records took minutes row by row); the end is in view, as following
// each new row from an empty list would leave it.
void CVL_ToolView::setListItems(ControlId id, const QStringList& texts) {
    auto* l = qobject_cast<QListWidget*>(control(id));
    if (!l)
        return;
    const QSignalBlocker blocker(l);
    l->clear();
    l->addItems(texts);
    if (id == ControlId::DataList)
        l->scrollToBottom();
}

int CVL_ToolView::listCount(ControlId id) const {
    auto* l = qobject_cast<QListWidget*>(control(id));
    return l ? l->count() : 0;
}

int CVL_ToolView::currentRow(ControlId id) const {
    auto* l = qobject_cast<QListWidget*>(control(id));
    if (!l || l->selectedItems().isEmpty())
        return -1;
    if (l->currentItem() && l->currentItem()->isSelected())
        return l->currentRow();
    // The current row was unchosen with control: the last row still chosen.
    const QList<int> rows = selectedRows(id);
    return rows.back();
}

QList<int> CVL_ToolView::selectedRows(ControlId id) const {
    auto* l = qobject_cast<QListWidget*>(control(id));
    QList<int> rows;
    if (!l)
        return rows;
    for (const QModelIndex& index : l->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CVL_ToolView::setCurrentRow(ControlId id, int row) {
    auto* l = qobject_cast<QListWidget*>(control(id));
    if (!l)
        return;
    const QSignalBlocker blocker(l);
    if (row < 0 || row >= l->count()) {
        l->clearSelection();
        l->setCurrentRow(-1);
    } else if (l->item(row)->isSelected()) {
        // One of several rows the user chose: the others stay chosen.
        l->selectionModel()->setCurrentIndex(l->model()->index(row, 0),
                                             QItemSelectionModel::NoUpdate);
        l->scrollToItem(l->item(row));
    } else {
        l->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
        l->scrollToItem(l->item(row));
    }
}

void CVL_ToolView::clearCombo(ControlId id) {
    if (auto* c = qobject_cast<QComboBox*>(control(id))) {
        const QSignalBlocker blocker(c);
        c->clear();
    }
}

void CVL_ToolView::addComboItem(ControlId id, const QString& text) {
    if (auto* c = qobject_cast<QComboBox*>(control(id))) {
        const QSignalBlocker blocker(c);
        c->addItem(text);
        // A drop-down shows no selection until one is set.
        if (c->count() == 1)
            c->setCurrentIndex(-1);
    }
}

int CVL_ToolView::currentIndex(ControlId id) const {
    auto* c = qobject_cast<QComboBox*>(control(id));
    return c ? c->currentIndex() : -1;
}

void CVL_ToolView::setCurrentIndex(ControlId id, int index) {
    if (auto* c = qobject_cast<QComboBox*>(control(id))) {
        const QSignalBlocker blocker(c);
        c->setCurrentIndex(index < c->count() ? index : -1);
    }
}

bool CVL_ToolView::message(const QString& text, bool withCancel) {
    return prompts_.message(this, text, withCancel);
}

void CVL_ToolView::notice(const QString& text) {
    // Shown without a loop of its own: the monitoring timers keep firing.
    auto* box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("VL_Tool"), text,
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->setDefaultButton(QMessageBox::Ok);
    box->button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box->show();
}

bool CVL_ToolView::editNumber(int& value) {
    return prompts_.editNumber(this, value);
}

void CVL_ToolView::drawGraph(int device) {
    const QSize size = panel_->size();
    if (size.isEmpty())
        return;
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    if (graphDrawFn_)
        graphDrawFn_(image, device);
    panel_->setImage(std::move(image));
    emit graphDrawn();
}

int CVL_ToolView::clientHeight() const {
    return height();
}

int CVL_ToolView::clientWidth() const {
    return width();
}

void CVL_ToolView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit leftButtonDown(event->position().toPoint());
    QWidget::mousePressEvent(event);
}

void CVL_ToolView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (panel_->isVisible() && panel_->geometry().contains(p))
        emit cursorOverGraph(p - panel_->pos());
    else
        emit cursorLeftGraph();
    QWidget::mouseMoveEvent(event);
}

void CVL_ToolView::leaveEvent(QEvent* event) {
    emit cursorLeftGraph();
    QWidget::leaveEvent(event);
}

bool CVL_ToolView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter)
        emit cursorLeftGraph();
    return QWidget::eventFilter(watched, event);
}

void CVL_ToolView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized(height());
}
