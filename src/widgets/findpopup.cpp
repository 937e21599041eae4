#include "findpopup.h"

#include "condition.h"
#include "dataset.h"
#include "datasetmodel.h"
#include "errordisplay.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace
{
constexpr int PauseMs = 200;
constexpr int VisibleRows = 12;
} // namespace

FindPopup::FindPopup(QWidget *owner, const QString &codeField, const QString &nameField)
    : QFrame(owner, Qt::Popup), m_owner(owner), m_codeField(codeField), m_nameField(nameField),
      m_input(new QLineEdit(this)), m_list(new QTreeView(this)), m_model(new DatasetModel(this)),
      m_pause(new QTimer(this))
{
    setObjectName(QStringLiteral("FindPopup"));
    setFrameShape(QFrame::StyledPanel);
    m_input->setObjectName(QStringLiteral("edtFind"));
    m_input->setPlaceholderText(QStringLiteral("输入代码或名称查找"));
    m_list->setObjectName(QStringLiteral("lvFound"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setHeaderHidden(true);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setFocusPolicy(Qt::NoFocus); // the keys stay in the box and move the list
    m_list->setModel(m_model);
    m_model->setColumns({{nameField, QString(), 200}, {codeField, QString(), 90}});
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(m_input);
    layout->addWidget(m_list, 1);
    m_input->installEventFilter(this);
    m_pause->setSingleShot(true);
    m_pause->setInterval(PauseMs);
    connect(m_pause, &QTimer::timeout, this,
            [this] { ErrorDisplay::run(this, [this] { findNow(); }); });
    connect(m_input, &QLineEdit::textEdited, m_pause, qOverload<>(&QTimer::start));
    connect(m_list, &QTreeView::clicked, this, [this](const QModelIndex &index) {
        ErrorDisplay::run(this, [this, index] { take(index.row()); });
    });
}

FindPopup::~FindPopup() = default;

void FindPopup::start(store::Dataset &source, const QString &typed)
{
    if (!m_found || m_source != &source) {
        delete m_found;
        m_found = new store::Dataset(source.connection(), QStringLiteral("qryFind"), this);
        m_found->setTable(source.table());
        m_found->setSort(m_nameField);
        m_model->setDataset(m_found);
    }
    m_source = &source;
    m_input->setText(typed);
    findNow();
    const int rowHeight = qMax(m_list->sizeHintForRow(0), fontMetrics().height() + 4);
    const int h = m_input->sizeHint().height() + VisibleRows * rowHeight + 12;
    QPoint at = m_owner->mapToGlobal(QPoint(0, m_owner->height()));
    const QRect screen = m_owner->screen() ? m_owner->screen()->availableGeometry() : QRect();
    if (screen.isValid() && at.y() + h > screen.bottom())
        at.setY(m_owner->mapToGlobal(QPoint(0, 0)).y() - h);
    setGeometry(QRect(at, QSize(qMax(m_owner->width(), 320), h)));
    m_list->header()->resizeSection(0, qMax(m_owner->width(), 320) - 110);
    show();
    m_input->setFocus(Qt::PopupFocusReason);
    m_input->end(false);
}

// The source's own rows (its filter) whose code starts with the text or whose name holds it.
void FindPopup::findNow()
{
    m_pause->stop();
    if (!m_found || !m_source)
        return;
    const QString text = m_input->text().trimmed();
    store::Condition which = m_source->filter();
    if (!text.isEmpty()) {
        const store::Condition typed = store::Condition::startsWith(m_codeField, text) ||
                                       store::Condition::like(m_nameField, text);
        which = which.isNull() ? typed : which && typed;
    }
    m_found->close();
    m_found->setFilter(which);
    m_found->open();
    if (!m_found->isEmpty())
        m_list->setCurrentIndex(m_model->index(0, 0));
}

void FindPopup::take(int row)
{
    if (!m_found || row < 0 || row >= m_found->rowCount())
        return;
    const QVariant code = m_found->value(row, m_codeField);
    hide();
    Q_EMIT chosen(code);
}

bool FindPopup::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_input || event->type() != QEvent::KeyPress)
        return QFrame::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    switch (key->key()) {
    case Qt::Key_Escape:
        hide();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ErrorDisplay::run(this, [this] {
            if (m_pause->isActive())
                findNow(); // what was typed last counts
            take(m_list->currentIndex().isValid() ? m_list->currentIndex().row() : 0);
        });
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        // The list moves; the text stays where it is.
        QCoreApplication::sendEvent(m_list, event);
        return true;
    default:
        return false;
    }
}
