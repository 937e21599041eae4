#include "agentchoice.h"

#include "dataset.h"
#include "datasetmodel.h"
#include "fieldlink.h"
#include "findpopup.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListView>
#include <QScreen>

namespace
{
const QString AgentCode = QStringLiteral("CustId");
constexpr int VisibleRows = 12;
} // namespace

AgentChoice::AgentChoice(QWidget *parent)
    : QComboBox(parent), m_link(new FieldLink(this, [this] { refresh(); })),
      m_model(new DatasetModel(this))
{
    setEditable(false);
    setAttribute(Qt::WA_InputMethodEnabled); // names are typed in Chinese
    // The width never depends on the names: measuring them would read every agent.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(20);
    m_model->setColumns({{QStringLiteral("CustName"), QStringLiteral("商务代理名称"), 200, true}});
    setModel(m_model);
    // The rows read again (a reopened or filtered agent set) lose the item shown.
    connect(m_model, &QAbstractItemModel::modelReset, this, &AgentChoice::relocate);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &AgentChoice::relocate);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &AgentChoice::relocate);
    connect(this, &QComboBox::activated, this, &AgentChoice::choose);
}

void AgentChoice::bind(store::Dataset *contacts, const QString &field)
{
    if (m_link->dataset())
        disconnect(m_link->dataset(), nullptr, this, nullptr);
    m_link->bind(contacts, field);
    if (contacts) {
        connect(contacts, &store::Dataset::currentRowChanged, this, &AgentChoice::relocate);
        connect(contacts, &store::Dataset::rowsReset, this, &AgentChoice::relocate);
    }
}

void AgentChoice::relocate()
{
    m_stale = true;
    m_link->refresh();
}

void AgentChoice::showEvent(QShowEvent *event)
{
    QComboBox::showEvent(event);
    relocate();
}

void AgentChoice::setAgents(store::Dataset *agents)
{
    m_agents = agents;
    m_model->setDataset(agents);
    relocate();
}

void AgentChoice::choose(int agentRow)
{
    if (!m_agents || agentRow < 0 || agentRow >= m_agents->rowCount())
        return;
    m_link->write(m_agents->value(agentRow, AgentCode));
    relocate(); // the write itself does not refresh what it wrote
}

// The contact's agent is found in the agent set (one statement by its code) and made current
// there; the item shown follows.
void AgentChoice::refresh()
{
    const QString code = store::Dataset::displayText(m_link->value());
    if (!m_stale && code.compare(m_shownCode, Qt::CaseInsensitive) == 0) {
        Q_EMIT agentShown();
        return;
    }
    m_stale = false;
    m_shownCode = code;
    store::Dataset *agents = m_agents;
    int row = -1;
    if (!code.isEmpty() && agents && agents->isOpen()) {
        try {
            const bool there = agents->currentRow() >= 0 &&
                               agents->text(AgentCode).compare(code, Qt::CaseInsensitive) == 0;
            if (there || agents->locate(AgentCode, code))
                row = agents->currentRow();
        } catch (...) {
            row = -1; // shown empty; the command that needs the agent reports the store's error
        }
    }
    {
        const QSignalBlocker block(this); // showing is no choice
        setCurrentIndex(row);
    }
    Q_EMIT agentShown();
}

// The drop-down is a list of our own: the combo box's would measure every row first.
void AgentChoice::showPopup()
{
    if (!m_agents || !m_agents->isOpen())
        return;
    if (!m_popup) {
        m_popup = new QListView(this);
        m_popup->setObjectName(QStringLiteral("lvAgents"));
        m_popup->setWindowFlags(Qt::Popup);
        m_popup->setUniformItemSizes(true);
        m_popup->setModel(m_model);
        m_popup->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_popup->installEventFilter(this);
        connect(m_popup, &QListView::clicked, this, [this](const QModelIndex &index) {
            hidePopup();
            choose(index.row());
        });
    }
    const int rowHeight = qMax(m_popup->sizeHintForRow(0), fontMetrics().height() + 4);
    const int rows = qBound(1, m_model->rowCount(), VisibleRows);
    QPoint at = mapToGlobal(QPoint(0, height()));
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect();
    const int h = rows * rowHeight + 2 * m_popup->frameWidth();
    if (screen.isValid() && at.y() + h > screen.bottom())
        at.setY(mapToGlobal(QPoint(0, 0)).y() - h);
    m_popup->setGeometry(QRect(at, QSize(qMax(width(), 240), h)));
    const QModelIndex current = m_model->index(qMax(currentIndex(), 0), 0);
    m_popup->setCurrentIndex(current);
    m_popup->scrollTo(current, QAbstractItemView::PositionAtCenter);
    m_popup->show();
    m_popup->setFocus(Qt::PopupFocusReason);
}

void AgentChoice::hidePopup()
{
    if (m_popup && m_popup->isVisible())
        m_popup->hide();
    QComboBox::hidePopup();
}

bool AgentChoice::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_popup && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape) {
            hidePopup();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const int row = m_popup->currentIndex().row();
            hidePopup();
            choose(row);
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

// Typing opens the search of agents by code or name with what was typed; the keys that move
// or open the list stay.
void AgentChoice::keyPressEvent(QKeyEvent *event)
{
    if (!event->text().isEmpty() && event->text().at(0).isPrint() &&
        !(event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) &&
        event->key() != Qt::Key_Space) {
        find(event->text());
        return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        if (m_link->write(QVariant()))
            m_link->refresh();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void AgentChoice::inputMethodEvent(QInputMethodEvent *event)
{
    if (!event->commitString().isEmpty())
        find(event->commitString());
    event->accept();
}

void AgentChoice::find(const QString &typed)
{
    if (!m_agents || !m_agents->isOpen())
        return;
    if (!m_find) {
        m_find = new FindPopup(this, AgentCode, QStringLiteral("CustName"));
        connect(m_find, &FindPopup::chosen, this, [this](const QVariant &code) {
            m_link->write(code);
            relocate(); // the write itself does not refresh what it wrote
        });
    }
    m_find->start(*m_agents, typed);
}
