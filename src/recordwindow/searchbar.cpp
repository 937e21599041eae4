#include "searchbar.h"

#include "dataset.h"
#include "errordisplay.h"
#include "pendingedit.h"
#include "storeerror.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

SearchBar::SearchBar(store::Dataset &set, const QStringList &fields, QWidget *list, QWidget *parent)
    : QWidget(parent), m_set(set), m_fields(fields), m_list(list), m_edit(new QLineEdit(this)),
      m_count(new QLabel(this)), m_filters(new QLabel(this)), m_clear(new QToolButton(this)),
      m_pause(new QTimer(this)), m_status(new QTimer(this))
{
    setObjectName(QStringLiteral("pnlSearch"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *caption = new QLabel(QStringLiteral("查找："), this);
    caption->setBuddy(m_edit);
    m_edit->setObjectName(QStringLiteral("edSearch"));
    m_edit->setPlaceholderText(QStringLiteral("输入文字筛选列表（Ctrl+F）"));
    m_edit->setClearButtonEnabled(true);
    m_edit->installEventFilter(this);
    m_count->setObjectName(QStringLiteral("lblRowCount"));
    m_filters->setObjectName(QStringLiteral("lblFilters"));
    m_clear->setObjectName(QStringLiteral("btnClearFilters"));
    m_clear->setText(QStringLiteral("清除筛选"));
    m_clear->setFocusPolicy(Qt::NoFocus); // one click; the keyboard has Escape and Ctrl+F
    layout->addWidget(caption);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_count);
    layout->addWidget(m_filters);
    layout->addWidget(m_clear);
    layout->addStretch(1);

    m_pause->setSingleShot(true);
    m_pause->setInterval(Pause);
    connect(m_pause, &QTimer::timeout, this, &SearchBar::apply);
    connect(m_edit, &QLineEdit::textChanged, m_pause, qOverload<>(&QTimer::start));
    connect(m_clear, &QToolButton::clicked, this, &SearchBar::clearAll);

    // The counts are taken once the list has shown its first screen.
    m_status->setSingleShot(true);
    m_status->setInterval(0);
    connect(m_status, &QTimer::timeout, this, &SearchBar::updateStatus);
    connect(&set, &store::Dataset::rowsReset, this, [this] { scheduleStatus(!m_applying); });
    connect(&set, &store::Dataset::readingFinished, this, [this] { scheduleStatus(false); });
    connect(&set, &store::Dataset::rowInserted, this, [this] { scheduleStatus(true); });
    connect(&set, &store::Dataset::rowRemoved, this, [this] { scheduleStatus(true); });
    updateStatus();
}

void SearchBar::focusBox()
{
    m_edit->setFocus(Qt::ShortcutFocusReason);
    m_edit->selectAll();
}

void SearchBar::applyNow()
{
    m_pause->stop();
    apply();
}

void SearchBar::apply()
{
    const QString text = m_edit->text();
    if (text == m_set.searchText())
        return;
    // A row left in editing is settled first, as for any other new filter.
    if (!PendingEdit::settle(m_set))
        return;
    m_applying = true;
    ErrorDisplay::run(this, [&] { m_set.setSearch(text, m_fields); });
    m_applying = false;
    updateStatus();
}

void SearchBar::clearAll()
{
    if (!PendingEdit::settle(m_set))
        return;
    m_edit->clear();
    applyNow();
    if (m_query.inForce && m_query.clear && m_query.inForce())
        ErrorDisplay::run(this, m_query.clear);
    updateStatus();
    if (m_list)
        m_list->setFocus(Qt::OtherFocusReason);
}

void SearchBar::scheduleStatus(bool recount)
{
    if (recount)
        m_total = -1;
    m_status->start();
}

void SearchBar::updateStatus()
{
    m_status->stop();
    QStringList filters;
    if (!m_set.searchText().trimmed().isEmpty())
        filters << QStringLiteral("文字“%1”").arg(m_set.searchText().trimmed());
    if (m_query.inForce && m_query.inForce())
        filters << QStringLiteral("查询");
    m_filters->setText(filters.isEmpty()
                           ? QString()
                           : QStringLiteral("筛选：") + filters.join(QStringLiteral("，")));
    m_clear->setVisible(!filters.isEmpty());
    if (!m_set.isOpen()) {
        m_count->clear();
        return;
    }
    try {
        // The rows still being read are counted by the store.
        const qint64 shown = m_set.isComplete() ? m_set.rowCount() : m_set.countInStore(true);
        if (m_set.searchText().trimmed().isEmpty())
            m_total = shown;
        else if (m_total < 0)
            m_total = m_set.countInStore(false);
        m_count->setText(QStringLiteral("显示 %1 / %2 条").arg(shown).arg(m_total));
    } catch (const store::StoreError &) {
        m_count->clear(); // the list shows the store's error itself
    }
}

bool SearchBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() == Qt::NoModifier &&
            (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Down ||
             key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            // Escape drops the text; Enter and Down keep it; each goes back to the list.
            if (key->key() == Qt::Key_Escape)
                m_edit->clear();
            applyNow();
            if (m_list)
                m_list->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
