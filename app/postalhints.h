#pragma once

#include "postalfiles.h"

#include <QFutureWatcher>
#include <QObject>
#include <array>
#include <memory>
#include <optional>

class QComboBox;
class QCompleter;
class QFrame;
class QStandardItemModel;
class SlipLineEdit;

// Postal codes in the window, both ways, for the recipient and the sender:
// - a code of 7 digits in the postal code box, when focus leaves it or Enter
//   is pressed, fills an empty first address line; a line that holds some
//   other address gets a small hint under it offering 「住所を入れる」, and a
//   code of several places offers them in a list there; a code the table
//   does not know marks the box (colour and tooltip) and blocks nothing;
// - typing the first address line offers the places that begin so, with
//   their codes; choosing one fills the code and completes the line.
// Until a table is there (none installed, or still loading) nothing of
// this happens and the window is exactly as without it.
class PostalHints : public QObject {
    Q_OBJECT

public:
    explicit PostalHints(QWidget *form);
    ~PostalHints() override;

    // Reads the table on another thread; the hints start when it is read.
    // A file that could not be read is said in a message that does not
    // stop the operator. Only the first table asked for counts: once a
    // load has begun or a table was given, this does nothing.
    void loadInBackground(const nerufa::postal::PostalSources &sources);
    // Keeps the sources for loadPending(): the window reads the table once
    // it has been painted, so that reading it never delays the start.
    void loadLater(const nerufa::postal::PostalSources &sources);
    // Begins the read loadLater() kept, unless it has begun already. Also
    // called by whoever needs the table sooner (a CSV file offered at start).
    void loadPending();
    // Takes this table from now on; null switches the hints off.
    void useTable(std::shared_ptr<const nerufa::postal::PostalTable> table);
    // The table, once a load still running is over; null when none.
    std::shared_ptr<const nerufa::postal::PostalTable> table();

    static QString unknownCodeTip();

private:
    struct Block {
        SlipLineEdit *code = nullptr;       // the postal code box's edit
        QWidget *codeControl = nullptr;     // the box itself (a combo box for the sender)
        SlipLineEdit *address = nullptr;
        QWidget *addressControl = nullptr;
        QWidget *below = nullptr;           // the second address line, which the hint covers
        QFrame *hint = nullptr;
        QComboBox *choices = nullptr;
        QCompleter *completer = nullptr;
        QStandardItemModel *offers = nullptr;
        QString lookedUp; // the code text last looked up
    };

    void loaded();
    void lookUp(Block &block);
    void mark(Block &block, bool unknown);
    void offer(Block &block, const QStringList &addresses);
    void hideHint(Block &block);
    void offerCompletions(Block &block, const QString &typed);
    void complete(Block &block, const QModelIndex &index);
    void fill(Block &block, const QString &address);

    QWidget *m_form;
    std::array<Block, 2> m_blocks;
    std::shared_ptr<const nerufa::postal::PostalTable> m_table;
    QFutureWatcher<nerufa::postal::LoadedTable> m_loading;
    bool m_loadTaken = true;
    bool m_tableChosen = false;
    std::optional<nerufa::postal::PostalSources> m_pending;
};
