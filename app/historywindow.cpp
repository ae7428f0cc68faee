#include "historywindow.h"

#include "apptitle.h"
#include "historycsv.h"
#include "historyworker.h"
#include "printersession.h"
#include "runtimeerror.h"
#include "spoolerprogress.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

using nerufa::history::HistoryStore;
using nerufa::history::PrintedSlip;

namespace {

QString joined(const QString &a, const QString &b, const QString &between)
{
    return b.isEmpty() ? a : a.isEmpty() ? b : a + between + b;
}

QString printerText(const PrintedSlip &p)
{
    return p.printerKind == nerufa::PrinterChoice::Kind::PdfFile
        ? QStringLiteral("PDF：") + QFileInfo(p.printer).fileName()
        : p.printer;
}

// 「2024/05/21 09:30　山田太郎（東京都千代田区…）」 for the confirmation.
QString slipLine(const PrintedSlip &p)
{
    return QStringLiteral("%1\u3000%2（%3）")
        .arg(p.printedAt.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm")), p.slip.recipientName,
             p.slip.recipientAddress1 + p.slip.recipientAddress2);
}

} // namespace

HistoryWindow::HistoryWindow(QWidget *parent, nerufa::history::HistoryWorker &worker, nerufa::PrinterSession &printers,
                             SlipAction loadSlip, SlipAction printSlip)
    : QDialog(parent), m_worker(worker), m_printers(printers), m_load(std::move(loadSlip)), m_print(std::move(printSlip)),
      m_search(new QLineEdit), m_period(new QCheckBox(QStringLiteral("期間："))), m_since(new QDateEdit),
      m_until(new QDateEdit), m_table(new QTableView), m_model(new QStandardItemModel(this)), m_status(new QLabel)
{
    setObjectName(QStringLiteral("RirekiDlg"));
    setWindowTitle(QStringLiteral("履歴 - ") + applicationTitle());
    resize(780, 460);

    m_search->setObjectName(QStringLiteral("RirekiSearch"));
    m_search->setPlaceholderText(QStringLiteral("名前・住所・電話番号・郵便番号の一部"));
    m_search->setClearButtonEnabled(true);
    m_search->installEventFilter(this);
    m_period->setObjectName(QStringLiteral("RirekiPeriod"));
    const QDate today = QDate::currentDate();
    for (auto [edit, name, date] : {std::tuple{m_since, "RirekiSince", today.addMonths(-1)}, {m_until, "RirekiUntil", today}}) {
        edit->setObjectName(QLatin1String(name));
        edit->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        edit->setCalendarPopup(true);
        edit->setDate(date);
        edit->setEnabled(false);
        connect(edit, &QDateEdit::dateChanged, this, &HistoryWindow::search);
    }
    connect(m_period, &QCheckBox::toggled, this, [this](bool on) {
        m_since->setEnabled(on);
        m_until->setEnabled(on);
        search();
    });
    connect(m_search, &QLineEdit::textChanged, this, &HistoryWindow::search);

    m_model->setHorizontalHeaderLabels({QStringLiteral("印刷日時"), QStringLiteral("お届け先"), QStringLiteral("住所"),
                                        QStringLiteral("品名"), QStringLiteral("プリンタ")});
    m_table->setObjectName(QStringLiteral("RirekiTable"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    m_table->horizontalHeader()->setStretchLastSection(true);
    for (auto [column, width] : {std::pair{0, 120}, {1, 130}, {2, 260}, {3, 110}})
        m_table->setColumnWidth(column, width);
    connect(m_table, &QTableView::doubleClicked, this, &HistoryWindow::loadSelected);

    auto *load = new QPushButton(QStringLiteral("窓に読み込む"));
    auto *reprint = new QPushButton(QStringLiteral("もう一度印刷"));
    auto *exportCsv = new QPushButton(QStringLiteral("CSV に書き出す"));
    auto *close = new QPushButton(QStringLiteral("閉じる"));
    load->setObjectName(QStringLiteral("RirekiLoadBtn"));
    reprint->setObjectName(QStringLiteral("RirekiReprintBtn"));
    exportCsv->setObjectName(QStringLiteral("RirekiExportBtn"));
    // Enter, wherever the focus is, puts the selected slip into the window.
    load->setDefault(true);
    for (QPushButton *button : {reprint, exportCsv, close})
        button->setAutoDefault(false);
    connect(load, &QPushButton::clicked, this, &HistoryWindow::loadSelected);
    connect(reprint, &QPushButton::clicked, this, &HistoryWindow::reprintSelected);
    connect(exportCsv, &QPushButton::clicked, this, &HistoryWindow::chooseExportFile);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, [this] {
        m_search->setFocus();
        m_search->selectAll();
    });

    auto *filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("検索：")));
    filters->addWidget(m_search, 1);
    filters->addSpacing(12);
    filters->addWidget(m_period);
    filters->addWidget(m_since);
    filters->addWidget(new QLabel(QStringLiteral("～")));
    filters->addWidget(m_until);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    for (QPushButton *button : {load, reprint, exportCsv, close})
        buttons->addWidget(button);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    setTabOrder(m_search, m_table);
}

bool HistoryWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Down from the search box goes on into the list.
    if (watched == m_search && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Down) {
        m_table->setFocus();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

nerufa::history::SlipQuery HistoryWindow::query(int limit) const
{
    const bool period = m_period->isChecked();
    return {m_search->text(), period ? m_since->date() : QDate(), period ? m_until->date() : QDate(), limit};
}

void HistoryWindow::search()
{
    const int number = ++m_searches;
    const nerufa::history::SlipQuery wanted = query(kMostListed + 1);
    QPointer<HistoryWindow> self(this);
    m_worker.post(
        [=](HistoryStore &store) -> nerufa::history::HistoryWorker::Reply {
            const QList<PrintedSlip> slips = store.find(wanted);
            return [=] {
                if (self && number == self->m_searches)
                    self->list(slips);
            };
        },
        [=](const nerufa::history::HistoryError &error) {
            if (self && number == self->m_searches) {
                self->list({});
                self->m_status->setText(error.message());
            }
        });
}

void HistoryWindow::list(const QList<PrintedSlip> &slips)
{
    m_listed = slips.mid(0, kMostListed);
    m_model->removeRows(0, m_model->rowCount());
    for (const PrintedSlip &p : m_listed) {
        const nerufa::SlipSnapshot &s = p.slip;
        QList<QStandardItem *> row;
        for (const QString &text : {p.printedAt.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm")), s.recipientName,
                                    joined(s.recipientAddress1, s.recipientAddress2, QStringLiteral(" ")),
                                    joined(s.goods1, s.goods2, QStringLiteral("・")), printerText(p)})
            row << new QStandardItem(text);
        m_model->appendRow(row);
    }
    m_status->setText(slips.size() > kMostListed ? QStringLiteral("新しい順に %1 件を表示しています。").arg(kMostListed)
                                                 : QStringLiteral("%1 件").arg(m_listed.size()));
    if (!m_listed.isEmpty())
        m_table->selectRow(0);
}

const PrintedSlip *HistoryWindow::selected() const
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    return rows.isEmpty() || rows.first().row() >= m_listed.size() ? nullptr : &m_listed[rows.first().row()];
}

void HistoryWindow::loadSelected()
{
    if (const PrintedSlip *p = selected()) {
        m_load(p->slip);
        hide();
    }
}

void HistoryWindow::reprintSelected()
{
    const PrintedSlip *p = selected();
    if (!p)
        return;
    const PrintedSlip slip = *p;
    QString printer;
    try {
        SpoolerProgress waiting(this, QStringLiteral("印刷システム（CUPS）の応答を待っています…"));
        printer = nerufa::describePrinterChoice(m_printers.current(waiting));
    } catch (const nerufa::RuntimeError &error) {
        QMessageBox::critical(this, applicationTitle(), error.message());
        return;
    }
    QMessageBox confirm(QMessageBox::Question, applicationTitle(),
                        QStringLiteral("この送り状を、前と同じ内容とズレでもう一度印刷します。\n\n%1\n\n%2")
                            .arg(slipLine(slip), printer),
                        QMessageBox::Ok | QMessageBox::Cancel, this);
    confirm.button(QMessageBox::Ok)->setText(QStringLiteral("印刷"));
    confirm.button(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
    confirm.setDefaultButton(QMessageBox::Ok);
    if (confirm.exec() == QMessageBox::Ok)
        m_print(slip.slip);
}

void HistoryWindow::chooseExportFile()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("CSV に書き出す"), QStringLiteral("履歴.csv"),
                                                      QStringLiteral("CSV ファイル (*.csv)"));
    if (!path.isEmpty())
        exportTo(path);
}

void HistoryWindow::exportTo(const QString &path)
{
    const nerufa::history::SlipQuery wanted = query(0);
    QPointer<HistoryWindow> self(this);
    m_worker.post(
        [=](HistoryStore &store) -> nerufa::history::HistoryWorker::Reply {
            const QList<PrintedSlip> slips = store.find(wanted);
            nerufa::history::writeOrdersCsv(slips, path);
            return [=] {
                if (self)
                    QMessageBox::information(self, applicationTitle(),
                                             QStringLiteral("%1 件を「%2」に書き出しました。").arg(slips.size()).arg(path));
            };
        },
        [=](const nerufa::history::HistoryError &error) {
            if (self)
                QMessageBox::critical(self, applicationTitle(), error.message());
        });
}
