#include "recordentrydialog.h"

#include "agentpicker.h"
#include "commandaction.h"
#include "datamodule.h"
#include "dblineedit.h"
#include "editorcommands.h"
#include "errordisplay.h"
#include "printing.h"
#include "recordform.h"
#include "recordrules.h"
#include "rights.h"
#include "session.h"
#include "windowshortcuts.h"
#include "workspace.h"

#include <QAction>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

// The agent module's right for adding and deleting, the record module's for printing.
const QString AgentRight = QStringLiteral("301");
const QString RecordRight = QStringLiteral("304");
const QString LogPrefix = QStringLiteral("客户业务管理-业务资料-");

} // namespace

RecordEntryDialog::RecordEntryDialog(Workspace &ws, QWidget *parent)
    : QDialog(parent), m_ws(ws),
      m_form(new RecordForm(ws, ws.dm.tblOperates, RecordForm::Variant::QuickEntry, this)),
      m_rules(std::make_unique<RecordRules>(ws, *m_form))
{
    setObjectName(QStringLiteral("TfrmOperateNew1"));
    setWindowTitle(QStringLiteral("联络记录"));
    auto *buttons = new QVBoxLayout;
    addEditorCommands(
        this, ws, buttons, ws.dm.tblOperates, AgentRight, LogPrefix,
        {[this] { addRecordHere(); }, [this] { m_rules->save(); }, [this] { m_rules->remove(); }});
    Rights &rights = ws.rights;
    addEditorButton(this, buttons,
                    addCommand(
                        this, ws, "Act_Print", QStringLiteral("打印"), {},
                        LogPrefix + QStringLiteral("打印"),
                        [&rights] { return rights.allows(RecordRight, QStringLiteral("Print")); },
                        [this] {
                            Printing::preview(this, QStringLiteral("frOperateDetail1.frf"),
                                              &m_ws.dm.tblOperates);
                        }));
    buttons->addWidget(ErrorDisplay::commandButton(this, "SpeedButton4", QStringLiteral("关闭"),
                                                   [this] { closeAsked(); }));
    buttons->addStretch(1);

    connect(m_form->linkQueryButton(), &QPushButton::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { pickLinkedAgent(); }); });
    new WindowShortcuts(this); // Ctrl+A and Ctrl+S work from inside every field

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_form, 1);
    layout->addLayout(buttons);
    resize(760, 360);
}

RecordEntryDialog::~RecordEntryDialog() = default;

int RecordEntryDialog::addRecord(Workspace &ws, QWidget *parent)
{
    ws.dm.tblOperates.open();
    ws.dm.tblOperates.append(); // the master link gives it the current agent
    RecordEntryDialog dialog(ws, parent);
    return dialog.exec();
}

int RecordEntryDialog::editRecord(Workspace &ws, QWidget *parent)
{
    store::Dataset &records = ws.dm.tblOperates;
    records.open();
    if (records.currentRow() >= 0 && !records.isEditing())
        records.edit();
    RecordEntryDialog dialog(ws, parent);
    return dialog.exec();
}

void RecordEntryDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_form->updateLinkInputs();
    m_form->code()->setFocus();
}

void RecordEntryDialog::addRecordHere()
{
    m_ws.dm.tblLinkmans.refresh(); // the current agent's contacts as they are now
    m_ws.dm.tblOperates.append();
    m_form->code()->setFocus();
}

void RecordEntryDialog::pickLinkedAgent()
{
    store::session().PickTarget = QStringLiteral("联系客户1");
    AgentPicker picker(AgentPicker::Member::Record, m_ws, this);
    picker.exec();
}

void RecordEntryDialog::closeAsked()
{
    if (settleOnClose(this, m_ws.dm.tblOperates, QStringLiteral("业务资料尚未保存，保存吗？"),
                      [this] { return m_rules->save(RecordRules::Path::Close); }))
        QDialog::reject();
}

void RecordEntryDialog::reject()
{
    ErrorDisplay::run(this, [this] { closeAsked(); });
}
