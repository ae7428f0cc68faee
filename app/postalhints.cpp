#include "postalhints.h"

#include "apptitle.h"
#include "fields.h"
#include "formfields.h"
#include "slipcombobox.h"
#include "sliplineedit.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTimer>
#include <QPromise>
#include <QThreadPool>

namespace postal = nerufa::postal;
using nerufa::slip::FieldId;

namespace {

constexpr int kCodeRole = Qt::UserRole + 1;
constexpr int kAddressRole = Qt::UserRole + 2;
constexpr int kOffered = 50;
const QColor kUnknownCode(255, 210, 210);

SlipLineEdit *editOf(QWidget *control)
{
    if (auto *combo = qobject_cast<QComboBox *>(control))
        return qobject_cast<SlipLineEdit *>(combo->lineEdit());
    return qobject_cast<SlipLineEdit *>(control);
}

} // namespace

PostalHints::PostalHints(QWidget *form) : QObject(form), m_form(form)
{
    setObjectName(QStringLiteral("PostalHints"));
    const std::array<std::array<FieldId, 3>, 2> blocks = {{
        {FieldId::RecipientPostal, FieldId::RecipientAddress1, FieldId::RecipientAddress2},
        {FieldId::SenderPostal, FieldId::SenderAddress1, FieldId::SenderAddress2},
    }};
    for (size_t i = 0; i < blocks.size(); ++i) {
        Block &block = m_blocks[i];
        block.codeControl = formfields::controlOf(form, nerufa::slip::field(blocks[i][0]));
        block.addressControl = formfields::controlOf(form, nerufa::slip::field(blocks[i][1]));
        block.below = formfields::controlOf(form, nerufa::slip::field(blocks[i][2]));
        block.code = editOf(block.codeControl);
        block.address = editOf(block.addressControl);
        if (!block.code || !block.address)
            continue;
        // Enter always looks up; leaving the box only when its text changed
        // since the last look-up (Enter ends editing too).
        connect(block.code, &QLineEdit::returnPressed, this, [this, &block] { lookUp(block); });
        connect(block.code, &QLineEdit::editingFinished, this, [this, &block] {
            if (block.code->text() != block.lookedUp)
                lookUp(block);
        });
        connect(block.code, &QLineEdit::textChanged, this, [this, &block] {
            mark(block, false);
            hideHint(block);
        });
        connect(block.address, &QLineEdit::textChanged, this, [this, &block] { hideHint(block); });
        connect(block.address, &QLineEdit::textEdited, this, [this, &block](const QString &text) { offerCompletions(block, text); });
    }
}

PostalHints::~PostalHints() = default;

QString PostalHints::unknownCodeTip()
{
    return QStringLiteral("この郵便番号は見つかりません");
}

void PostalHints::loadInBackground(const postal::PostalSources &sources)
{
    if (m_tableChosen)
        return;
    m_tableChosen = true;
    m_loadTaken = false;
    connect(&m_loading, &QFutureWatcher<postal::LoadedTable>::finished, this, &PostalHints::loaded, Qt::UniqueConnection);
    // The task holds nothing of the window: should the window go first, the
    // table read is dropped with the promise.
    auto promise = std::make_shared<QPromise<postal::LoadedTable>>();
    m_loading.setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, sources] {
        promise->start();
        promise->addResult(postal::loadTable(sources));
        promise->finish();
    });
}

void PostalHints::loadLater(const postal::PostalSources &sources)
{
    m_pending = sources;
}

void PostalHints::loadPending()
{
    if (m_pending)
        loadInBackground(*std::exchange(m_pending, std::nullopt));
}

void PostalHints::loaded()
{
    if (m_loadTaken)
        return;
    m_loadTaken = true;
    const postal::LoadedTable result = m_loading.result();
    useTable(result.table);
    if (!result.problems.isEmpty()) {
        // Said once, without keeping the operator from going on.
        auto *box = new QMessageBox(QMessageBox::Warning, applicationTitle(),
                                    result.problems.join(u'\n') + QStringLiteral("\n窓はそのまま使えます。"), QMessageBox::Ok, m_form);
        box->setObjectName(QStringLiteral("PostalProblems"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->show();
    }
}

std::shared_ptr<const postal::PostalTable> PostalHints::table()
{
    if (!m_loadTaken) {
        m_loading.waitForFinished();
        loaded();
    }
    return m_table;
}

void PostalHints::useTable(std::shared_ptr<const postal::PostalTable> table)
{
    m_tableChosen = true;
    m_table = std::move(table);
    // A code typed or pasted with its hyphen (100-0001, eight characters)
    // goes into the seven boxes of the recipient's code as its seven digits.
    SlipLineEdit *recipientCode = m_blocks[0].code;
    if (recipientCode && m_table)
        recipientCode->setOverLimitRewrite([](const QString &text) {
            const int code = postal::parseCode(text);
            return code < 0 ? QString() : postal::codeDigits(code);
        });
    else if (recipientCode)
        recipientCode->setOverLimitRewrite({});
    for (Block &block : m_blocks) {
        hideHint(block);
        mark(block, false);
    }
}

void PostalHints::lookUp(Block &block)
{
    const QString text = block.code->text();
    block.lookedUp = text;
    if (!m_table)
        return;
    hideHint(block);
    const int code = postal::parseCode(text);
    const QList<postal::Place> places = code < 0 ? QList<postal::Place>() : m_table->lookUp(code);
    mark(block, code >= 0 && places.isEmpty());
    QStringList addresses;
    for (const postal::Place &place : places)
        if (!addresses.contains(place.address))
            addresses << place.address;
    const QString current = formfields::textOf(block.addressControl);
    if (addresses.isEmpty())
        return;
    if (addresses.size() == 1 && current.isEmpty())
        return fill(block, addresses.first());
    // A line that already holds one of the places, perhaps with its number.
    for (const QString &address : addresses)
        if (!current.isEmpty() && postal::foldAddress(current).startsWith(postal::foldAddress(address)))
            return;
    offer(block, addresses);
}

void PostalHints::mark(Block &block, bool unknown)
{
    if (block.code->property("postalUnknown").toBool() == unknown)
        return;
    block.code->setProperty("postalUnknown", unknown);
    QPalette palette;
    if (unknown) {
        palette = block.code->palette();
        palette.setColor(QPalette::Base, kUnknownCode);
    }
    // An empty palette inherits every colour again.
    block.code->setPalette(palette);
    block.codeControl->setToolTip(unknown ? unknownCodeTip() : QString());
}

void PostalHints::offer(Block &block, const QStringList &addresses)
{
    if (!block.hint) {
        // Under the address line, over the gap and the second line, which
        // it leaves again once that line gets the focus. No control of it
        // takes the focus, so the Tab order stays as it is.
        block.hint = new QFrame(block.addressControl->parentWidget());
        block.hint->setObjectName(block.addressControl->objectName() + QStringLiteral("Hint"));
        block.hint->setFrameShape(QFrame::Box);
        block.hint->setAutoFillBackground(true);
        block.hint->setBackgroundRole(QPalette::ToolTipBase);
        auto *layout = new QHBoxLayout(block.hint);
        layout->setContentsMargins(2, 1, 2, 1);
        block.choices = new QComboBox(block.hint);
        block.choices->setFocusPolicy(Qt::NoFocus);
        auto *take = new QPushButton(QStringLiteral("住所を入れる"), block.hint);
        auto *close = new QPushButton(QStringLiteral("×"), block.hint);
        for (QPushButton *button : {take, close})
            button->setFocusPolicy(Qt::NoFocus);
        close->setFixedWidth(20);
        layout->addWidget(block.choices, 1);
        layout->addWidget(take);
        layout->addWidget(close);
        // From the address line's left edge to the frame's right edge.
        const QRect field = block.addressControl->geometry();
        block.hint->setGeometry(field.x(), field.bottom() + 1, block.hint->parentWidget()->width() - field.x() - 6, 24);
        connect(take, &QPushButton::clicked, this, [this, &block] { fill(block, block.choices->currentText()); });
        connect(close, &QPushButton::clicked, this, [this, &block] { hideHint(block); });
        connect(qApp, &QApplication::focusChanged, block.hint, [this, &block](QWidget *, QWidget *now) {
            if (now && block.below && (now == block.below || block.below->isAncestorOf(now)))
                hideHint(block);
        });
    }
    block.choices->clear();
    block.choices->addItems(addresses);
    block.choices->view()->setMinimumWidth(block.choices->view()->sizeHintForColumn(0) + 24);
    block.hint->setToolTip(addresses.size() > 1 ? QStringLiteral("この郵便番号には %1 か所あります").arg(addresses.size()) : QString());
    block.hint->raise();
    block.hint->show();
}

void PostalHints::hideHint(Block &block)
{
    if (block.hint)
        block.hint->hide();
}

void PostalHints::fill(Block &block, const QString &address)
{
    formfields::setTextOf(block.addressControl, address);
    hideHint(block);
}

void PostalHints::offerCompletions(Block &block, const QString &typed)
{
    const QString start = typed.trimmed();
    const QList<postal::Place> places = m_table && start.size() >= 2 ? m_table->complete(start, kOffered) : QList<postal::Place>();
    if (places.isEmpty()) {
        if (block.completer)
            block.completer->popup()->hide();
        return;
    }
    if (!block.completer) {
        block.offers = new QStandardItemModel(this);
        block.completer = new QCompleter(block.offers, this);
        block.completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
        block.completer->setWidget(block.address);
        block.completer->popup()->setObjectName(block.addressControl->objectName() + QStringLiteral("Offers"));
        connect(block.completer, qOverload<const QModelIndex &>(&QCompleter::activated), this,
                [this, &block](const QModelIndex &index) { complete(block, index); });
    }
    block.offers->clear();
    for (const postal::Place &place : places) {
        auto *item = new QStandardItem(QStringLiteral("%1\u3000〒%2").arg(place.address, postal::codeWithHyphen(place.code)));
        item->setData(place.code, kCodeRole);
        item->setData(place.address, kAddressRole);
        block.offers->appendRow(item);
    }
    // Wide enough for the places and their codes, within the window.
    QAbstractItemView *list = block.completer->popup();
    const int wanted = list->sizeHintForColumn(0) + list->verticalScrollBar()->sizeHint().width() + 2 * list->frameWidth();
    const int room = m_form->width() - block.address->mapTo(m_form, QPoint(0, 0)).x() - 4;
    QRect below = block.address->rect();
    below.setWidth(std::clamp(wanted, below.width(), std::max(room, below.width())));
    block.completer->complete(below);
}

void PostalHints::complete(Block &block, const QModelIndex &index)
{
    const QString code = postal::codeDigits(index.data(kCodeRole).toInt());
    fill(block, index.data(kAddressRole).toString());
    formfields::setTextOf(block.codeControl, code);
    block.lookedUp = code;
}
