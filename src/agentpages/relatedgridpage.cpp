#include "relatedgridpage.h"

#include "commandaction.h"
#include "datagrid.h"
#include "datamodule.h"
#include "messagebox.h"
#include "printing.h"
#include "rights.h"
#include "workspace.h"

#include <QAction>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace
{
const QString Right = QStringLiteral("301");
}

RelatedGridPage::RelatedGridPage(Workspace &ws, store::Dataset &rows, const char *gridName,
                                 std::function<bool()> storeAgent, QWidget *parent)
    : QWidget(parent), m_ws(ws), m_rows(rows), m_storeAgent(std::move(storeAgent)),
      m_bar(new QToolBar(this)), m_grid(new DataGrid(this))
{
    m_bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_grid->setObjectName(QLatin1String(gridName));
    m_grid->setDataset(&rows);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_bar);
    layout->addWidget(m_grid, 1);
}

QAction *RelatedGridPage::command(const char *name, const QString &caption, const char *flag,
                                  const QString &log, std::function<void()> work)
{
    std::function<bool()> enabled;
    if (flag) {
        Rights &rights = m_ws.rights;
        enabled = [&rights, flag] { return rights.allows(Right, QLatin1String(flag)); };
    }
    return addBarCommand(this, m_bar, m_actions, m_ws, name, caption, {}, log, std::move(enabled),
                         std::move(work));
}

void RelatedGridPage::addCommands(const Commands &c)
{
    const auto name = [&c](const char *verb) { return QByteArray(verb).append(c.suffix); };
    command(name("Act_Insert").constData(), c.insertCaption, "Insert", {}, c.insert);
    command(name("Act_Modify").constData(), QStringLiteral("修改"), "Modify", {}, c.modify);
    command(name("Act_Delete").constData(), QStringLiteral("删除"), "Delete", {}, c.remove);
    addRefresh(name("spBtnRefresh").constData());
    command(name("Act_Print").constData(), QStringLiteral("打印"), "Print",
            QStringLiteral("商务代理业务管理-商务代理资料-") + c.logName + QStringLiteral("-打印"),
            [this, report = c.report] { print(report); });
}

void RelatedGridPage::addRefresh(const char *name)
{
    command(name, QStringLiteral("刷新"), nullptr, {}, [this] {
        m_rows.close();
        m_rows.open();
    });
}

bool RelatedGridPage::confirmAndRemove(const QString &question)
{
    if (!m_rows.isOpen() || m_rows.isEmpty())
        return false;
    if (!MessageBox::confirm(this, question))
        return false;
    m_rows.remove();
    return true;
}

void RelatedGridPage::removeUnlessNamed(
    const QString &codeField,
    const std::function<bool(store::DataModule &, const QString &)> &named, const QString &refusal,
    const QString &question)
{
    if (!m_rows.isOpen() || m_rows.isEmpty())
        return;
    const bool stored = m_rows.state() != store::Dataset::State::Insert;
    const QString code = store::Dataset::displayText(m_rows.storedValue(codeField));
    if (stored && named(m_ws.dm, code)) {
        MessageBox::warning(this, refusal);
        return;
    }
    confirmAndRemove(question);
}

void RelatedGridPage::print(const QString &layout)
{
    m_rows.open();
    Printing::preview(this, layout, &m_rows);
}
