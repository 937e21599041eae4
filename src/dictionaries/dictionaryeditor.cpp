#include "dictionaryeditor.h"
#include "gridexport.h"

#include "colorcombo.h"
#include "colorwindow.h"
#include "commandenabler.h"
#include "datagrid.h"
#include "datamodule.h"
#include "dblineedit.h"
#include "dblookupcombo.h"
#include "dbpicklist.h"
#include "enterchain.h"
#include "errordisplay.h"
#include "messagebox.h"
#include "rights.h"
#include "storeerror.h"
#include "windowshortcuts.h"
#include "workspace.h"

#include <QAction>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <stdexcept>

namespace
{

store::Dataset &datasetOf(store::DataModule &dm, const QString &name)
{
    store::Dataset *d = dm.dataset(name);
    if (!d)
        throw std::logic_error("no shared dataset for a dictionary editor");
    return *d;
}

// Bound controls are named after their column; the description keeps the family's one name.
QString controlName(const QString &column)
{
    return QStringLiteral("dxDBEdt") + column;
}
const QString MemoColumn = QStringLiteral("Memo");
const QString MemoControl = QStringLiteral("dxDBEdtDistribution");

} // namespace

DictionaryEditor::DictionaryEditor(Workspace &ws, const DictionaryMember &member, QWidget *parent)
    : QDialog(parent), m_ws(ws), m_member(member), m_dataset(datasetOf(ws.dm, member.dataset))
{
    setObjectName(member.objectName);
    setWindowTitle(member.caption);
    GridExport::setLogPrefix(this, member.logPrefix);
    setModal(true);
    openDatasets();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(buildList());
    layout->addWidget(buildButtons());
    layout->addWidget(buildFields());
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // 新增 and 删除 follow the user's right flags at every idle moment; 保存 is always there.
    m_ws.enabler.add(
        m_add, [this] { return m_ws.rights.allows(m_member.rightId, QStringLiteral("Insert")); });
    m_ws.enabler.add(m_delete, [this] {
        return m_ws.rights.allows(m_member.rightId, QStringLiteral("Delete"));
    });
    m_ws.enabler.update();
    new WindowShortcuts(this); // 关闭 on Ctrl+X and the rest work from inside every field
    m_code->setFocus();
}

DictionaryEditor::~DictionaryEditor()
{
    m_ws.enabler.remove(m_add);
    m_ws.enabler.remove(m_delete);
    if (m_dataset.isEditing())
        m_dataset.cancel();
}

void DictionaryEditor::openDatasets()
{
    // The shared dataset keeps its current row: the editor starts on whatever row it shows.
    m_dataset.open();
    if (m_member.extraKind == DictionaryMember::Extra::Country)
        m_ws.dm.tblCountry.open();
    if (m_member.hasColour())
        m_ws.dm.tblColor.open();
}

QWidget *DictionaryEditor::buildList()
{
    auto *box = new QWidget(this);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(m_member.gridLabel, box));

    m_grid = new DataGrid(box);
    m_grid->setObjectName(QStringLiteral("dxDBGrid1"));
    m_grid->setGroupBandVisible(false);
    m_grid->addColumn(m_member.code.column, m_member.code.caption, 100);
    m_grid->addColumn(m_member.name.column, m_member.name.caption, 120);
    if (m_member.hasExtra())
        m_grid->addColumn(m_member.extra.column, m_member.extra.caption, 80);
    if (m_member.hasColour())
        m_grid->addColumn(m_member.colour.column, m_member.colour.caption, 80);
    m_grid->addColumn(MemoColumn, m_member.memoCaption, 160);
    m_grid->setDataset(&m_dataset);
    m_grid->setFixedSize(600, 240);
    layout->addWidget(m_grid);
    return box;
}

QWidget *DictionaryEditor::buildButtons()
{
    auto *bar = new QWidget(this);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto command = [this, bar, layout](const char *action, const char *button,
                                             const QString &text, const QString &keys) {
        auto *a = new QAction(text, this);
        a->setObjectName(QLatin1String(action));
        a->setShortcut(QKeySequence(keys));
        addAction(a); // the shortcut works wherever the focus is in the window
        auto *b = new QToolButton(bar);
        b->setObjectName(QLatin1String(button));
        b->setDefaultAction(a);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setMinimumWidth(64);
        layout->addWidget(b);
        return a;
    };
    m_add = command("Act_Add", "spBtnNew", QStringLiteral("新增"), QStringLiteral("Ctrl+A"));
    m_save = command("Act_Save", "spBtnSave", QStringLiteral("保存"), QStringLiteral("Ctrl+S"));
    m_delete = command("Act_Del", "spBtnDel", QStringLiteral("删除"), QStringLiteral("Ctrl+D"));
    auto *close = new QToolButton(bar);
    close->setObjectName(QStringLiteral("spBtnClose"));
    close->setText(QStringLiteral("关闭"));
    close->setMinimumWidth(64);
    if (!m_member.closeKeys.isEmpty())
        close->setShortcut(m_member.closeKeys);
    layout->addWidget(close);
    layout->addStretch();

    const auto guarded = [this](void (DictionaryEditor::*work)()) {
        return [this, work] { ErrorDisplay::run(this, [this, work] { (this->*work)(); }); };
    };
    connect(m_add, &QAction::triggered, this, guarded(&DictionaryEditor::add));
    connect(m_save, &QAction::triggered, this, guarded(&DictionaryEditor::save));
    connect(m_delete, &QAction::triggered, this, guarded(&DictionaryEditor::remove));
    connect(close, &QToolButton::clicked, this, &DictionaryEditor::closeEditor);
    return bar;
}

DbLineEdit *DictionaryEditor::lineEdit(const DictionaryMember::Field &field)
{
    auto *e = new DbLineEdit(this);
    e->setObjectName(controlName(field.column));
    e->bind(&m_dataset, field.column);
    return e;
}

QWidget *DictionaryEditor::extraField()
{
    const DictionaryMember::Field &f = m_member.extra;
    if (m_member.extraKind == DictionaryMember::Extra::Continent) {
        auto *list = new DbPickList(this);
        list->setItems(DictionaryMember::continents());
        list->setFreeText(true);
        list->bind(&m_dataset, f.column);
        m_checks << Check{list, [list] { return list->shownText(); }, f.emptyMessage};
        list->setObjectName(controlName(f.column));
        return list;
    }
    auto *country = new DbLookupCombo(this);
    country->setSource(&m_ws.dm.tblCountry, QStringLiteral("CountryName"),
                       QStringLiteral("CountryID"));
    country->bind(&m_dataset, f.column);
    country->setObjectName(controlName(f.column));
    m_checks << Check{country, [country] { return country->currentText(); }, f.emptyMessage};
    return country;
}

QWidget *DictionaryEditor::colourField()
{
    m_colour = new ColorCombo(this);
    m_colour->setObjectName(controlName(m_member.colour.column));
    m_colour->setSource(&m_ws.dm.tblColor);
    m_colour->bind(&m_dataset, m_member.colour.column);
    m_checks << Check{m_colour, [this] { return m_colour->currentText(); },
                      m_member.colour.emptyMessage};
    return m_colour;
}

QWidget *DictionaryEditor::buildFields()
{
    auto *panel = new QWidget(this);
    auto *grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    int row = 0;
    QList<QWidget *> chain;
    const auto addRow = [&](const QString &label, QWidget *field) {
        grid->addWidget(new QLabel(label, panel), row, 0);
        grid->addWidget(field, row, 1);
        chain << field;
        ++row;
    };

    m_code = lineEdit(m_member.code);
    m_checks << Check{m_code, [this] { return m_code->text(); }, m_member.code.emptyMessage};
    addRow(DictionaryMember::label(m_member.code.caption), m_code);
    DbLineEdit *name = lineEdit(m_member.name);
    m_checks << Check{name, [name] { return name->text(); }, m_member.name.emptyMessage};
    addRow(DictionaryMember::label(m_member.name.caption), name);
    if (m_member.hasExtra())
        addRow(DictionaryMember::label(m_member.extra.caption), extraField());
    if (m_member.hasColour()) {
        addRow(DictionaryMember::label(m_member.colour.caption), colourField());
        auto *colours = new QToolButton(panel);
        colours->setObjectName(QStringLiteral("spBtnColor"));
        colours->setText(m_member.colourButtonText);
        if (!m_member.colourButtonKeys.isEmpty())
            colours->setShortcut(m_member.colourButtonKeys);
        grid->addWidget(colours, row - 1, 2);
        connect(colours, &QToolButton::clicked, this,
                [this] { ErrorDisplay::run(this, [this] { showColours(); }); });
    }
    m_memo = new DbLineEdit(this);
    m_memo->setObjectName(MemoControl);
    m_memo->bind(&m_dataset, MemoColumn);
    addRow(DictionaryMember::memoLabel(m_member.memoCaption), m_memo);
    grid->setColumnMinimumWidth(1, 260);
    grid->setColumnStretch(3, 1);

    m_chain = new EnterChain(chain, this);
    // The window's command keys win over a text field's own (Ctrl+A is 新增, not select all).
    for (QLineEdit *e : panel->findChildren<QLineEdit *>())
        e->installEventFilter(this);
    return panel;
}

void DictionaryEditor::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_code->setFocus();
}

bool DictionaryEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        const QKeySequence pressed(static_cast<QKeyEvent *>(event)->keyCombination());
        for (const QAction *a : {m_add, m_save, m_delete}) {
            if (a->isEnabled() && a->shortcut() == pressed) {
                event->ignore(); // left unclaimed, so the window's shortcut runs
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void DictionaryEditor::done(int result)
{
    if (m_dataset.isEditing())
        m_dataset.cancel();
    QDialog::done(result);
}

// ---------------------------------------------------------------- commands

void DictionaryEditor::add()
{
    m_ws.dm.writeLog(m_member.logPrefix + QStringLiteral("-新增"));
    m_dataset.append();
    m_code->setFocus();
}

void DictionaryEditor::save()
{
    m_ws.dm.writeLog(m_member.logPrefix + QStringLiteral("-保存"));
    for (const Check &c : std::as_const(m_checks)) {
        if (c.shownText().isEmpty()) {
            MessageBox::warning(this, c.message);
            c.field->setFocus();
            return;
        }
    }
    if (!m_dataset.isEditing())
        return;
    try {
        m_dataset.post();
    } catch (const store::StoreError &e) {
        // The store refuses a row without a description: that refusal is the member's own
        // message. Any other cause goes on to the general error display with the store's
        // text, so a row that was not stored never looks saved. Either way the row stays
        // pending with what the user typed.
        const bool refusal = e.kind() != store::StoreError::Kind::Connection &&
                             e.kind() != store::StoreError::Kind::Conflict &&
                             e.kind() != store::StoreError::Kind::NotAStore;
        if (!refusal || !m_memo->text().isEmpty())
            throw;
        MessageBox::warning(this, m_member.memoRefusal);
        m_memo->setFocus();
    }
}

void DictionaryEditor::remove()
{
    m_ws.dm.writeLog(m_member.logPrefix + QStringLiteral("-删除"));
    if (m_dataset.isEmpty())
        return;
    if (!MessageBox::confirm(this, QStringLiteral("真的要删除该条记录吗?"), QMessageBox::Question))
        return;
    m_dataset.remove();
}

void DictionaryEditor::closeEditor()
{
    // An unsaved new row is dropped and unsaved edits are undone without asking (done()).
    reject();
}

void DictionaryEditor::showColours()
{
    ColorWindow colours(m_ws.dm, this);
    colours.exec();
    m_colour->reloadItems();
}
