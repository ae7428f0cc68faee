#include "printersetupdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using nerufa::PrinterChoice;

namespace {

// The list entry that stands for a PDF file rather than a queue.
const int kPdfRole = Qt::UserRole + 1;

// Sizes offered for a PDF file, or a queue that names none of its own.
QList<QPageSize> commonPageSizes()
{
    return {QPageSize(QPageSize::A4), QPageSize(QPageSize::A5), QPageSize(QPageSize::A3),
            QPageSize(QPageSize::JisB5), QPageSize(QPageSize::JisB4), QPageSize(QPageSize::Letter),
            QPageSize(QPageSize::Legal)};
}

} // namespace

PrinterSetupDialog::PrinterSetupDialog(const PrinterChoice &current, const QList<nerufa::cupsqueues::Queue> &queues,
                                       QWidget *parent)
    : QDialog(parent),
      m_printers(new QListWidget),
      m_pdfPath(new QLineEdit),
      m_browse(new QPushButton(QStringLiteral("参照…"))),
      m_paper(new QComboBox),
      m_portrait(new QRadioButton(QStringLiteral("縦"))),
      m_landscape(new QRadioButton(QStringLiteral("横"))),
      m_queues(queues),
      m_wantedSize(current.pageSize)
{
    setWindowTitle(QStringLiteral("プリンタの設定"));
    m_printers->setObjectName(QStringLiteral("PrinterList"));
    m_pdfPath->setObjectName(QStringLiteral("PdfPath"));
    m_browse->setObjectName(QStringLiteral("PdfBrowse"));
    m_paper->setObjectName(QStringLiteral("PaperBox"));
    m_portrait->setObjectName(QStringLiteral("Portrait"));
    m_landscape->setObjectName(QStringLiteral("Landscape"));

    for (const nerufa::cupsqueues::Queue &queue : m_queues) {
        auto *item = new QListWidgetItem(queue.name, m_printers);
        if (current.kind == PrinterChoice::Kind::Queue && current.target == queue.name)
            m_printers->setCurrentItem(item);
    }
    auto *pdfItem = new QListWidgetItem(QStringLiteral("PDF ファイル"), m_printers);
    pdfItem->setData(kPdfRole, true);
    if (current.kind == PrinterChoice::Kind::PdfFile) {
        m_printers->setCurrentItem(pdfItem);
        m_pdfPath->setText(current.target);
    }
    if (!m_printers->currentItem())
        m_printers->setCurrentRow(0);
    m_printers->setMinimumWidth(260);
    (current.orientation == QPageLayout::Landscape ? m_landscape : m_portrait)->setChecked(true);

    auto *pdfRow = new QHBoxLayout;
    pdfRow->addWidget(m_pdfPath, 1);
    pdfRow->addWidget(m_browse);
    auto *orientation = new QGroupBox(QStringLiteral("向き"));
    auto *orientationRow = new QHBoxLayout(orientation);
    orientationRow->addWidget(m_portrait);
    orientationRow->addWidget(m_landscape);
    orientationRow->addStretch();
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("PDF ファイル："), pdfRow);
    form->addRow(QStringLiteral("用紙："), m_paper);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &PrinterSetupDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PrinterSetupDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("プリンタ：")));
    layout->addWidget(m_printers);
    layout->addLayout(form);
    layout->addWidget(orientation);
    layout->addWidget(buttons);
    // Enter is OK wherever the focus is but on another button. Set once the
    // button is in the dialog, or the dialog would pick its first button.
    ok->setDefault(true);

    connect(m_printers, &QListWidget::currentRowChanged, this, &PrinterSetupDialog::targetChanged);
    connect(m_browse, &QPushButton::clicked, this, &PrinterSetupDialog::choosePdfFile);
    connect(m_paper, &QComboBox::activated, this, [this](int index) { m_wantedSize = m_sizes.value(index); });
    targetChanged();
    m_printers->setFocus();
}

bool PrinterSetupDialog::pdfSelected() const
{
    const QListWidgetItem *item = m_printers->currentItem();
    return item && item->data(kPdfRole).toBool();
}

// A new printer brings its own list of paper sizes; the size chosen so far
// stays when the new printer has it, else the printer's default is shown.
void PrinterSetupDialog::targetChanged()
{
    const bool pdf = pdfSelected();
    m_pdfPath->setEnabled(pdf);
    m_browse->setEnabled(pdf);

    QPageSize fallback(QPageSize::A4);
    m_sizes.clear();
    if (!pdf && m_printers->currentRow() >= 0 && m_printers->currentRow() < m_queues.size()) {
        const nerufa::cupsqueues::Queue &queue = m_queues[m_printers->currentRow()];
        m_sizes = queue.sizes;
        if (queue.defaultSize.isValid())
            fallback = queue.defaultSize;
    }
    if (m_sizes.isEmpty())
        m_sizes = commonPageSizes();

    int selected = -1;
    for (int i = 0; i < m_sizes.size() && selected < 0; ++i)
        if (m_wantedSize.isValid() && m_sizes[i].key() == m_wantedSize.key())
            selected = i;
    for (int i = 0; i < m_sizes.size() && selected < 0; ++i)
        if (m_sizes[i].key() == fallback.key())
            selected = i;
    m_paper->clear();
    for (const QPageSize &size : m_sizes)
        m_paper->addItem(size.name());
    m_paper->setCurrentIndex(qMax(selected, 0));
}

void PrinterSetupDialog::choosePdfFile()
{
    QFileDialog chooser(this, QStringLiteral("PDF ファイルの選択"), m_pdfPath->text());
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setNameFilter(QStringLiteral("PDF ファイル (*.pdf)"));
    chooser.setDefaultSuffix(QStringLiteral("pdf"));
    if (chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty())
        m_pdfPath->setText(chooser.selectedFiles().constFirst());
}

PrinterChoice PrinterSetupDialog::choice() const
{
    PrinterChoice choice;
    if (pdfSelected()) {
        choice.kind = PrinterChoice::Kind::PdfFile;
        choice.target = QFileInfo(m_pdfPath->text().trimmed()).absoluteFilePath();
    } else if (const QListWidgetItem *item = m_printers->currentItem()) {
        choice.kind = PrinterChoice::Kind::Queue;
        choice.target = item->text();
    }
    choice.pageSize = m_sizes.value(m_paper->currentIndex());
    choice.orientation = m_landscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait;
    return choice;
}

void PrinterSetupDialog::accept()
{
    if (pdfSelected() && m_pdfPath->text().trimmed().isEmpty()) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("PDF ファイルの名前を入れてください。"));
        m_pdfPath->setFocus();
        return;
    }
    QDialog::accept();
}
