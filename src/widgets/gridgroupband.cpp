#include "gridgroupband.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QToolButton>

GridGroupBand::GridGroupBand(QWidget *parent)
    : QFrame(parent), m_layout(new QHBoxLayout(this)),
      m_hint(new QLabel(QStringLiteral("拖动列标题到此处，按该列分组")))
{
    setObjectName(QStringLiteral("groupBand"));
    setAcceptDrops(true);
    setFrameShape(QFrame::StyledPanel);
    setBackgroundRole(QPalette::Mid);
    setAutoFillBackground(true);
    m_hint->setForegroundRole(QPalette::BrightText);
    m_layout->setContentsMargins(4, 3, 4, 3);
    m_layout->setSpacing(4);
    m_layout->addWidget(m_hint);
    m_layout->addStretch(1);
}

void GridGroupBand::setGroups(const QList<QPair<QString, QString>> &groups)
{
    for (const auto &b : std::as_const(m_buttons))
        delete b.second;
    m_buttons.clear();
    for (int i = 0; i < groups.size(); ++i) {
        const QString field = groups[i].first;
        auto *b = new QToolButton(this);
        b->setObjectName(QStringLiteral("group_") + field);
        b->setText(groups[i].second);
        b->setToolTip(QStringLiteral("单击取消按“%1”分组").arg(groups[i].second));
        b->setAutoRaise(false);
        connect(b, &QToolButton::clicked, this, [this, field] { Q_EMIT groupRemoved(field); });
        // Index 0 is the hint, which hides while groups are shown.
        m_layout->insertWidget(i + 1, b);
        m_buttons.append({field, b});
    }
    m_hint->setVisible(groups.isEmpty());
}

QStringList GridGroupBand::fields() const
{
    QStringList f;
    for (const auto &b : m_buttons)
        f << b.first;
    return f;
}

QToolButton *GridGroupBand::button(const QString &field) const
{
    for (const auto &b : m_buttons) {
        if (b.first.compare(field, Qt::CaseInsensitive) == 0)
            return b.second;
    }
    return nullptr;
}

QString GridGroupBand::mimeType()
{
    return QStringLiteral("application/x-tessaly-grid-field");
}

QMimeData *GridGroupBand::mimeData(const QString &field)
{
    auto *m = new QMimeData;
    m->setData(mimeType(), field.toUtf8());
    return m;
}

bool GridGroupBand::accepts(const QDropEvent *event) const
{
    return event->mimeData()->hasFormat(mimeType()) && m_source && event->source() == m_source;
}

int GridGroupBand::positionAt(int x) const
{
    for (int i = 0; i < m_buttons.size(); ++i) {
        const QRect r = m_buttons[i].second->geometry();
        if (x < r.center().x())
            return i;
    }
    return int(m_buttons.size());
}

void GridGroupBand::dragEnterEvent(QDragEnterEvent *event)
{
    if (accepts(event))
        event->acceptProposedAction();
}

void GridGroupBand::dragMoveEvent(QDragMoveEvent *event)
{
    if (accepts(event))
        event->acceptProposedAction();
}

void GridGroupBand::dropEvent(QDropEvent *event)
{
    if (!accepts(event))
        return;
    const QString field = QString::fromUtf8(event->mimeData()->data(mimeType()));
    event->acceptProposedAction();
    Q_EMIT groupDropped(field, positionAt(event->position().toPoint().x()));
}
