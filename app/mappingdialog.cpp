#include "mappingdialog.h"

#include "apptitle.h"
#include "profileorders.h"
#include "profilestore.h"
#include "sliprules.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QSet>
#include <QTimer>
#include <QVBoxLayout>

namespace batch = nerufa::batch;
namespace slip = nerufa::slip;
using slip::FieldId;

namespace {

constexpr int kSampleRows = 3;
constexpr int kProblemsShown = 5;
// A column with more distinct values than this is no list of options.
constexpr int kValuesListed = 40;
// Value-table choices besides the slip's options.
constexpr int kAsWritten = -1;
constexpr int kNoBox = 0;

// Clean-ups a field gets from the dialog, by what it holds: postal codes
// lose their hyphens, digits and codes are width folded, and every text
// loses blanks at its ends. A profile file can say otherwise.
int defaultCleanups(FieldId id)
{
    const slip::Field &f = slip::field(id);
    if (id == FieldId::RecipientPostal || id == FieldId::SenderPostal)
        return batch::WidthFold | batch::PostalSigns | batch::Trim;
    if (f.input == slip::InputMode::Off || f.kind != slip::FieldKind::Text)
        return batch::WidthFold | batch::Trim;
    return batch::Trim;
}

// The option a file's value most likely means: its own caption, the one
// chosen at start for an empty value, or what a built-in profile maps the
// same code to (1618 stays "no box", for the operator to decide).
int guessedChoice(const slip::Field &field, const QString &value)
{
    if (const std::optional<int> choice = slip::choiceFor(field, value))
        return *choice;
    if (value.isEmpty())
        return field.initialChoice;
    for (const batch::Profile &profile : batch::builtInProfiles())
        for (const batch::ValueRule &rule : profile.sources[size_t(field.id)].values)
            if (slip::looseKey(rule.from) == slip::looseKey(value))
                return rule.choice.value_or(kNoBox);
    return kAsWritten;
}

QComboBox *columnBox(const QStringList &header, const QString &none)
{
    auto *box = new QComboBox;
    box->addItem(none, -1);
    for (qsizetype i = 0; i < header.size(); ++i)
        box->addItem(header[i], int(i));
    return box;
}

} // namespace

MappingDialog::MappingDialog(const QString &path, const batch::CsvTable &table, const QStringList &profileProblems,
                             const QDate &today, QWidget *parent)
    : QDialog(parent), m_table(table), m_today(today),
      m_valueTables{ValueTable{FieldId::TimeSlot, nullptr, nullptr, {}}, ValueTable{FieldId::Notification, nullptr, nullptr, {}}}
{
    setObjectName(QStringLiteral("MappingDialog"));
    setWindowTitle(applicationTitle());
    for (const QStringList &record : m_table.records)
        m_dataRows += std::any_of(record.begin(), record.end(), [](const QString &f) { return !f.isEmpty(); });

    auto *layout = new QVBoxLayout(this);
    QString intro = QStringLiteral("「%1」の見出しは、組み込みの形式にも、保存してあるプロファイルにも合いません。\n"
                                   "送り状の欄ごとに、読み込むファイルの列を選んでください。選ばなかった列は読みません。")
                        .arg(QFileInfo(path).fileName());
    for (const QString &problem : profileProblems)
        intro += QStringLiteral("\n（読めないため使っていません：%1）").arg(problem);
    auto *introLabel = new QLabel(intro);
    introLabel->setWordWrap(true);
    layout->addWidget(introLabel);

    auto *scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setWidget(buildFields());
    layout->addWidget(scroll, 1);

    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("MappingSummary"));
    m_problems = new QLabel;
    m_problems->setObjectName(QStringLiteral("MappingProblems"));
    m_problems->setWordWrap(true);
    m_problems->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_summary);
    layout->addWidget(m_problems);

    auto *nameRow = new QHBoxLayout;
    auto *nameLabel = new QLabel(QStringLiteral("プロファイルの名前："));
    m_name = new QLineEdit(QFileInfo(path).completeBaseName());
    m_name->setObjectName(QStringLiteral("MappingName"));
    nameLabel->setBuddy(m_name);
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(m_name, 1);
    layout->addLayout(nameRow);

    auto *buttons = new QDialogButtonBox;
    m_save = buttons->addButton(QStringLiteral("保存して続ける"), QDialogButtonBox::AcceptRole);
    m_save->setObjectName(QStringLiteral("MappingSave"));
    m_save->setDefault(true);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);

    // Changes come in bursts (a value table filled anew); the check runs
    // once after them.
    m_checkTimer = new QTimer(this);
    m_checkTimer->setSingleShot(true);
    m_checkTimer->setInterval(0);
    connect(m_checkTimer, &QTimer::timeout, this, &MappingDialog::runCheck);
    connect(buttons, &QDialogButtonBox::accepted, this, &MappingDialog::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (const FieldRow &row : m_rows) {
        for (QComboBox *box : {row.column, row.joined})
            connect(box, &QComboBox::currentIndexChanged, this, [this, row] { columnChanged(row); });
    }
    preselect();
    for (const FieldRow &row : m_rows)
        columnChanged(row);
    runCheck();
    resize(920, 700);
    m_rows.first().column->setFocus();
}

QWidget *MappingDialog::buildFields()
{
    auto *page = new QWidget;
    auto *outer = new QVBoxLayout(page);
    auto *grid = new QGridLayout;
    outer->addLayout(grid);
    const QStringList headings{QStringLiteral("送り状の欄"), QStringLiteral("ファイルの列"), QStringLiteral("後ろにつなげる列"),
                               QStringLiteral("最初の %1 件（送り状に入る文字）").arg(kSampleRows)};
    for (int column = 0; column < headings.size(); ++column)
        grid->addWidget(new QLabel(QStringLiteral("<b>%1</b>").arg(headings[column].toHtmlEscaped())), 0, column);
    for (const slip::Field &f : slip::fields()) {
        if (!f.fromCsv)
            continue;
        FieldRow row{f.id, columnBox(m_table.header, QStringLiteral("（読まない）")),
                     columnBox(m_table.header, QStringLiteral("（なし）")), new QLabel};
        row.column->setObjectName(QStringLiteral("MapColumn_%1").arg(QLatin1String(f.name)));
        row.joined->setObjectName(QStringLiteral("MapJoined_%1").arg(QLatin1String(f.name)));
        row.samples->setMinimumWidth(280);
        auto *caption = new QLabel(QString::fromUtf8(f.caption));
        caption->setBuddy(row.column);
        const int line = int(m_rows.size()) + 1;
        grid->addWidget(caption, line, 0);
        grid->addWidget(row.column, line, 1);
        grid->addWidget(row.joined, line, 2);
        grid->addWidget(row.samples, line, 3);
        m_rows << row;
    }
    grid->setColumnStretch(3, 1);
    auto *values = new QHBoxLayout;
    for (ValueTable &table : m_valueTables) {
        table.box = new QGroupBox(QStringLiteral("%1の値（ファイルの値 → 送り状）").arg(QString::fromUtf8(slip::field(table.id).caption)));
        table.form = new QFormLayout(table.box);
        values->addWidget(table.box, 0, Qt::AlignTop);
    }
    values->addStretch(1);
    outer->addLayout(values);
    outer->addStretch(1);
    return page;
}

void MappingDialog::preselect()
{
    // A column of the field's own name (width folded), else the columns a
    // built-in profile reads the field from.
    for (const FieldRow &row : m_rows) {
        const QString caption = slip::looseKey(QString::fromUtf8(slip::field(row.id).caption));
        QList<int> found;
        for (qsizetype i = 0; i < m_table.header.size() && found.isEmpty(); ++i)
            if (slip::looseKey(m_table.header[i]) == caption)
                found << int(i);
        for (const batch::Profile &profile : batch::builtInProfiles()) {
            QList<int> columns;
            for (const QString &column : profile.sources[size_t(row.id)].columns)
                for (qsizetype i = 0; i < m_table.header.size(); ++i)
                    if (slip::looseKey(m_table.header[i]) == slip::looseKey(column)) {
                        columns << int(i);
                        break;
                    }
            if (found.isEmpty() && !columns.isEmpty() && columns.size() == profile.sources[size_t(row.id)].columns.size())
                found = columns;
        }
        QSignalBlocker blockColumn(row.column), blockJoined(row.joined);
        row.column->setCurrentIndex(row.column->findData(found.value(0, -1)));
        row.joined->setCurrentIndex(row.joined->findData(found.value(1, -1)));
    }
}

batch::FieldSource MappingDialog::sourceOf(const FieldRow &row) const
{
    batch::FieldSource source;
    for (QComboBox *box : {row.column, row.joined})
        if (box->currentData().toInt() >= 0)
            source.columns << m_table.header[box->currentData().toInt()];
    if (source.columns.isEmpty())
        return {};
    source.separator = QStringLiteral(" ");
    source.cleanups = defaultCleanups(row.id);
    return source;
}

void MappingDialog::columnChanged(const FieldRow &row)
{
    const batch::FieldSource source = sourceOf(row);
    QStringList samples;
    for (int i = 0; i < kSampleRows && i < m_table.records.size() && !source.columns.isEmpty(); ++i) {
        const QString text = batch::sourceText(m_table.header, m_table.records[i], source);
        samples << (text.isEmpty() ? QStringLiteral("（空）") : text);
    }
    const QString joined = samples.join(QStringLiteral("／"));
    row.samples->setToolTip(joined);
    row.samples->setText(row.samples->fontMetrics().elidedText(joined, Qt::ElideRight, 280));
    for (ValueTable &table : m_valueTables)
        if (table.id == row.id)
            fillValueTable(table);
    m_checkTimer->start();
}

void MappingDialog::fillValueTable(ValueTable &table)
{
    while (table.form->rowCount() > 0)
        table.form->removeRow(0);
    table.values.clear();
    const slip::Field &field = slip::field(table.id);
    const auto row = std::find_if(m_rows.begin(), m_rows.end(), [&](const FieldRow &r) { return r.id == table.id; });
    const batch::FieldSource source = sourceOf(*row);
    table.box->setVisible(!source.columns.isEmpty());
    // Values are told apart as the profile tells them apart: two spellings
    // that differ only in width or blanks are one value, shown as first met
    // (two rules for them would make the profile refused when saved).
    QStringList distinct;
    QHash<QString, int> counts; // by slip::looseKey
    for (const QStringList &record : m_table.records) {
        if (source.columns.isEmpty())
            break;
        const QString value = batch::sourceText(m_table.header, record, source);
        const QString key = slip::looseKey(value);
        if (!counts.contains(key))
            distinct << value;
        ++counts[key];
    }
    for (const QString &value : distinct.mid(0, kValuesListed)) {
        auto *box = new QComboBox;
        box->addItem(QStringLiteral("変えない（そのまま読む）"), kAsWritten);
        const QStringList options = slip::itemTexts(field);
        for (qsizetype i = 0; i < options.size(); ++i)
            box->addItem(options[i], int(i + 1));
        box->addItem(QStringLiteral("送り状の欄にない（その行は印刷しない）"), kNoBox);
        box->setCurrentIndex(box->findData(guessedChoice(field, value)));
        box->setObjectName(QStringLiteral("MapValue_%1_%2").arg(QLatin1String(field.name), value));
        connect(box, &QComboBox::currentIndexChanged, m_checkTimer, qOverload<>(&QTimer::start));
        const QString shown = value.isEmpty() ? QStringLiteral("（空）") : QStringLiteral("「%1」").arg(value);
        table.form->addRow(QStringLiteral("%1（%2 件）").arg(shown, QString::number(counts.value(slip::looseKey(value)))), box);
        table.values.append({value, box});
    }
    if (distinct.size() > kValuesListed)
        table.form->addRow(new QLabel(QStringLiteral("ほかに %1 種類の値があります（そのまま読みます）").arg(distinct.size() - kValuesListed)));
    // Tab goes on from the last field to the value tables, then to the name.
    QWidget *previous = m_rows.last().joined;
    for (const ValueTable &t : m_valueTables) {
        for (const auto &[value, box] : t.values) {
            setTabOrder(previous, box);
            previous = box;
        }
    }
    setTabOrder(previous, m_name);
}

batch::Profile MappingDialog::profile() const
{
    batch::Profile profile;
    profile.name = m_name->text().trimmed();
    // Columns without a name (a spreadsheet's empty last one) are no part
    // of the header a file is recognised by.
    for (const QString &column : m_table.header)
        if (!slip::looseKey(column).isEmpty())
            profile.header << column;
    QSet<QString> read;
    for (const FieldRow &row : m_rows) {
        batch::FieldSource &source = profile.sources[size_t(row.id)];
        source = sourceOf(row);
        for (const QString &column : source.columns)
            read.insert(slip::looseKey(column));
        for (const ValueTable &table : m_valueTables) {
            if (table.id != row.id || source.columns.isEmpty())
                continue;
            for (const auto &[value, box] : table.values) {
                const int choice = box->currentData().toInt();
                if (choice != kAsWritten)
                    source.values.append({value, choice == kNoBox ? std::nullopt : std::optional<int>(choice)});
            }
        }
    }
    // Every other named column is ignored by name, so that a column added
    // or renamed later makes the header new and the question comes again.
    for (const QString &column : m_table.header) {
        const QString key = slip::looseKey(column);
        if (!key.isEmpty() && !read.contains(key)) {
            profile.ignored << column;
            read.insert(key);
        }
    }
    return profile;
}

QString MappingDialog::checkSummary() const
{
    return m_summary->text();
}

void MappingDialog::runCheck()
{
    m_checkTimer->stop();
    const batch::Profile chosen = profile();
    const bool anyField = std::any_of(chosen.sources.begin(), chosen.sources.end(),
                                      [](const batch::FieldSource &s) { return !s.columns.isEmpty(); });
    m_save->setEnabled(anyField);
    if (!anyField) {
        m_summary->setText(QStringLiteral("送り状の欄を 1 つ以上選んでください。"));
        m_problems->clear();
        return;
    }
    const batch::MappedOrders mapped = batch::mapOrders(m_table, chosen, m_today);
    m_summary->setText(QStringLiteral("確認：全 %1 件のうち %2 件は問題なく印刷できます。").arg(m_dataRows).arg(mapped.goodRows));
    const QStringList &problems = mapped.list.problems;
    QString shown = problems.mid(0, kProblemsShown).join(QLatin1Char('\n'));
    if (problems.size() > kProblemsShown)
        shown += QStringLiteral("\nほかに %1 件の問題があります。").arg(problems.size() - kProblemsShown);
    m_problems->setText(shown);
}

void MappingDialog::save()
{
    const QString name = m_name->text().trimmed();
    if (QFileInfo::exists(batch::profileFile(name))
        && QMessageBox::question(this, windowTitle(), QStringLiteral("プロファイル「%1」はもうあります。置き換えますか？").arg(name))
               != QMessageBox::Yes)
        return;
    QString problem;
    m_savedFile = batch::saveProfile(profile(), name, &problem);
    if (m_savedFile.isEmpty())
        QMessageBox::critical(this, windowTitle(), problem);
    else
        accept();
}
