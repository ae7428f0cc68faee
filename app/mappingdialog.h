#pragma once

#include "csvtable.h"
#include "fields.h"
#include "profile.h"

#include <QDate>
#include <QDialog>
#include <QList>
#include <QString>
#include <array>

class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// Asked when a CSV file's header is neither the built-in format nor one a
// profile was made for: which column of the file each slip field reads, how
// the file's time-slot and notification values read on the slip, and a
// name to keep the answer under. Every change checks all rows at once, as
// the batch will, and shows how many rows pass and the first problems.
// 「保存して続ける」 saves the profile; the batch then reads the file with it,
// and later files with the same header choose it by themselves.
class MappingDialog : public QDialog {
    Q_OBJECT

public:
    MappingDialog(const QString &path, const nerufa::batch::CsvTable &table, const QStringList &profileProblems,
                  const QDate &today, QWidget *parent = nullptr);

    // The profile as the choices stand.
    nerufa::batch::Profile profile() const;
    // The profile's file, once saved.
    QString savedFile() const { return m_savedFile; }
    // The live check's sentence ("全 4 件のうち 4 件は…").
    QString checkSummary() const;

private:
    struct FieldRow {
        nerufa::slip::FieldId id;
        QComboBox *column = nullptr;
        QComboBox *joined = nullptr;
        QLabel *samples = nullptr;
    };
    struct ValueTable {
        nerufa::slip::FieldId id;
        QGroupBox *box = nullptr;
        QFormLayout *form = nullptr;
        QList<std::pair<QString, QComboBox *>> values;
    };

    QWidget *buildFields();
    void preselect();
    void columnChanged(const FieldRow &row);
    void fillValueTable(ValueTable &table);
    nerufa::batch::FieldSource sourceOf(const FieldRow &row) const;
    void runCheck();
    void save();

    nerufa::batch::CsvTable m_table;
    QDate m_today;
    QList<FieldRow> m_rows;
    std::array<ValueTable, 2> m_valueTables;
    QLabel *m_summary = nullptr;
    QLabel *m_problems = nullptr;
    QLineEdit *m_name = nullptr;
    QPushButton *m_save = nullptr;
    QTimer *m_checkTimer = nullptr;
    int m_dataRows = 0;
    QString m_savedFile;
};
