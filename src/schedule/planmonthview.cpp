#include "planmonthview.h"

#include "condition.h"
#include "dataset.h"
#include "errordisplay.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace
{

const char *const DayNames[] = {"一", "二", "三", "四", "五", "六", "日"};

QDate mondayOf(const QDate &day)
{
    return day.addDays(1 - day.dayOfWeek());
}

} // namespace

PlanMonthView::PlanMonthView(store::Dataset &entries, store::Dataset &agents, QWidget *parent)
    : QWidget(parent), m_entries(entries),
      m_rows(new store::Dataset(entries.connection(), QStringLiteral("qryPlanCalendar"), this)),
      m_table(new QTableWidget(this)), m_title(new QLabel(this)), m_day(QDate::currentDate())
{
    setObjectName(QStringLiteral("PlanMonthView"));
    m_rows->setTable(QStringLiteral("tblPlan"));
    m_rows->setSort(QStringLiteral("PlanDate"));
    m_rows->addLookup(QStringLiteral("CustName"), &agents, QStringLiteral("CustID"),
                      QStringLiteral("CustId"), QStringLiteral("CustName"));

    auto *bar = new QHBoxLayout;
    const auto button = [this, bar](const char *name, const QString &caption, const QString &tip,
                                    std::function<void()> work) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        b->setFocusPolicy(Qt::TabFocus);
        connect(b, &QPushButton::clicked, this, [this, work] { ErrorDisplay::run(this, work); });
        bar->addWidget(b);
    };
    button("btnPrior", QStringLiteral("<"), QStringLiteral("上一页 (Page Up)"),
           [this] { step(-1); });
    button("btnToday", QStringLiteral("今天"), QStringLiteral("今天 (Home)"),
           [this] { showDay(QDate::currentDate()); });
    button("btnNext", QStringLiteral(">"), QStringLiteral("下一页 (Page Down)"),
           [this] { step(1); });
    m_title->setObjectName(QStringLiteral("lblCalendarTitle"));
    bar->addWidget(m_title, 1);

    m_table->setObjectName(QStringLiteral("tblCalendar"));
    m_table->setColumnCount(7);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideRight);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->verticalHeader()->hide();
    m_table->installEventFilter(this);
    m_table->viewport()->installEventFilter(this);
    connect(m_table, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        const QDate d = dayAt(row, column);
        if (d.isValid())
            m_day = d;
    });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(bar);
    layout->addWidget(m_table, 1);
    setFocusProxy(m_table);

    // A save or a delete in the list shows in the calendar the next time it is filled.
    const auto stale = [this] {
        m_stale = true;
        if (isVisible())
            ErrorDisplay::run(this, [this] { reload(); });
    };
    connect(&m_entries, &store::Dataset::contentChanged, this, stale);
    connect(&m_entries, &store::Dataset::rowRemoved, this, stale);
}

PlanMonthView::~PlanMonthView() = default;

void PlanMonthView::setMode(Mode mode)
{
    if (mode == m_mode && !m_stale)
        return;
    m_mode = mode;
    reload();
}

void PlanMonthView::showDay(const QDate &day)
{
    if (!day.isValid())
        return;
    const QDate first = m_first;
    m_day = day;
    if (first.isValid() && day >= first && day <= lastShown() && !m_stale &&
        (m_mode == Week || day.month() == first.addDays(7).month()))
        fill();
    else
        reload();
}

QDate PlanMonthView::lastShown() const
{
    return m_first.addDays(7 * weeks() - 1);
}

QDate PlanMonthView::dayAt(int row, int column) const
{
    if (row < 0 || column < 0 || row >= weeks() || column >= 7)
        return {};
    return m_first.addDays(row * 7 + column);
}

void PlanMonthView::reload()
{
    m_first = m_mode == Month ? mondayOf(QDate(m_day.year(), m_day.month(), 1)) : mondayOf(m_day);
    m_rows->close();
    m_rows->setFilter(
        store::Condition::dateBetween(QStringLiteral("PlanDate"), m_first, lastShown()));
    m_rows->open();
    m_shown.clear();
    const int id = m_rows->fieldIndex(QStringLiteral("PlanID"));
    const int date = m_rows->fieldIndex(QStringLiteral("PlanDate"));
    const int time = m_rows->fieldIndex(QStringLiteral("PlanTime"));
    const int address = m_rows->fieldIndex(QStringLiteral("Address"));
    const int agent = m_rows->fieldIndex(QStringLiteral("CustName"));
    const int linkman = m_rows->fieldIndex(QStringLiteral("Linkman"));
    m_rows->forEachRow([&](int, const QVector<QVariant> &v) {
        Entry e;
        e.id = v[id].toLongLong();
        e.date = v[date].toDate();
        e.time = v[time].toString().trimmed();
        QStringList parts{e.time, v[address].toString().trimmed(), v[agent].toString().trimmed()};
        if (parts[2].isEmpty())
            parts[2] = v[linkman].toString().trimmed();
        parts.removeAll(QString());
        e.text = parts.join(QLatin1Char(' '));
        m_shown.append(e);
    });
    m_rows->close();
    // Within a day by time of day, then in the order the entries were made.
    std::stable_sort(m_shown.begin(), m_shown.end(), [](const Entry &a, const Entry &b) {
        return a.date != b.date ? a.date < b.date : a.time < b.time;
    });
    m_stale = false;
    fill();
}

QList<PlanMonthView::Entry> PlanMonthView::entriesOn(const QDate &day) const
{
    QList<Entry> out;
    for (const Entry &e : m_shown)
        if (e.date == day)
            out.append(e);
    return out;
}

void PlanMonthView::fill()
{
    const QSignalBlocker block(m_table);
    m_table->clear();
    m_table->setRowCount(weeks());
    QStringList headers;
    for (int c = 0; c < 7; ++c)
        headers << (m_mode == Week ? QStringLiteral("%1 %2/%3")
                                         .arg(QString::fromUtf8(DayNames[c]))
                                         .arg(m_first.addDays(c).month())
                                         .arg(m_first.addDays(c).day())
                                   : QString::fromUtf8(DayNames[c]));
    m_table->setHorizontalHeaderLabels(headers);
    const QDate today = QDate::currentDate();
    const QDate middle = m_first.addDays(14);
    for (int r = 0; r < weeks(); ++r) {
        for (int c = 0; c < 7; ++c) {
            const QDate d = dayAt(r, c);
            const QList<Entry> entries = entriesOn(d);
            QStringList lines{
                entries.isEmpty()
                    ? QString::number(d.day())
                    : QStringLiteral("%1  （%2 条）").arg(d.day()).arg(entries.size())};
            for (const Entry &e : entries)
                lines << e.text;
            auto *item = new QTableWidgetItem(lines.join(QLatin1Char('\n')));
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignTop);
            item->setToolTip(lines.mid(1).join(QLatin1Char('\n')));
            if (m_mode == Month && d.month() != middle.month())
                item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
            if (d == today) {
                QFont f = item->font();
                f.setBold(true);
                item->setFont(f);
                item->setBackground(palette().color(QPalette::AlternateBase));
            }
            m_table->setItem(r, c, item);
        }
    }
    m_title->setText(m_mode == Month
                         ? QStringLiteral("%1年%2月").arg(middle.year()).arg(middle.month())
                         : QStringLiteral("%1 — %2").arg(
                               QLocale().toString(m_first, QStringLiteral("yyyy-MM-dd")),
                               QLocale().toString(lastShown(), QStringLiteral("yyyy-MM-dd"))));
    const qint64 at = m_first.daysTo(m_day);
    if (at >= 0 && at < 7 * weeks())
        m_table->setCurrentCell(int(at / 7), int(at % 7));
}

void PlanMonthView::step(int direction)
{
    showDay(m_mode == Month ? m_day.addMonths(direction) : m_day.addDays(7 * direction));
}

// Line 0 of a day is its number; line n its n-th entry.
void PlanMonthView::activate(const QDate &day, int line)
{
    const QList<Entry> entries = entriesOn(day);
    if (line >= 1 && line <= entries.size())
        Q_EMIT openRequested(entries[line - 1].id);
    else if (line > entries.size() || entries.isEmpty())
        Q_EMIT addRequested(day);
}

void PlanMonthView::offerEntries(const QDate &day)
{
    const QList<Entry> entries = entriesOn(day);
    if (entries.isEmpty()) {
        Q_EMIT addRequested(day);
        return;
    }
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("mnuDayEntries"));
    for (const Entry &e : entries)
        menu.addAction(e.text)->setData(e.id);
    menu.addSeparator();
    QAction *add = menu.addAction(QStringLiteral("新增日程安排"));
    const QRect cell = m_table->visualItemRect(m_table->currentItem());
    menu.setActiveAction(menu.actions().first());
    QAction *chosen = menu.exec(m_table->viewport()->mapToGlobal(cell.bottomLeft()));
    if (chosen == add)
        Q_EMIT addRequested(day);
    else if (chosen)
        Q_EMIT openRequested(chosen->data().toLongLong());
}

bool PlanMonthView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & ~Qt::KeypadModifier)
            return false;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            ErrorDisplay::run(this, [this] { offerEntries(m_day); });
            return true;
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            const int direction = key->key() == Qt::Key_PageUp ? -1 : 1;
            ErrorDisplay::run(this, [this, direction] { step(direction); });
            return true;
        }
        case Qt::Key_Home:
            ErrorDisplay::run(this, [this] { showDay(QDate::currentDate()); });
            return true;
        default:
            return false;
        }
    }
    if (watched == m_table->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const QPoint p = static_cast<QMouseEvent *>(event)->position().toPoint();
        QTableWidgetItem *item = m_table->itemAt(p);
        if (!item)
            return false;
        const QDate d = dayAt(item->row(), item->column());
        const QRect cell = m_table->visualItemRect(item);
        const int line = (p.y() - cell.top()) / qMax(1, m_table->fontMetrics().lineSpacing());
        ErrorDisplay::run(this, [this, d, line] { activate(d, line); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void PlanMonthView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_stale)
        ErrorDisplay::run(this, [this] { reload(); });
}
