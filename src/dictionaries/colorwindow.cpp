#include "colorwindow.h"

#include "colordialog.h"
#include "datagrid.h"
#include "datamodule.h"
#include "errordisplay.h"
#include "messagebox.h"

#include <QAction>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{
const QString ColourColumn = QStringLiteral("ColorID");
}

ColorWindow::ColorWindow(store::DataModule &dm, QWidget *parent)
    : QDialog(parent), m_colours(dm.tblColor), m_grid(new DataGrid(this)),
      m_swatch(new QFrame(this))
{
    setObjectName(QStringLiteral("TfrmColor"));
    setWindowTitle(QStringLiteral("颜色设置信息"));
    setModal(true);
    m_colours.open();

    m_grid->setObjectName(QStringLiteral("dxDBGrid1"));
    m_grid->addColumn(ColourColumn, QStringLiteral("颜色信息"), 120);
    m_grid->setGroupBandVisible(false);
    m_grid->setDataset(&m_colours);
    m_grid->setFixedSize(180, 260);

    m_swatch->setObjectName(QStringLiteral("pnlColor"));
    m_swatch->setFrameShape(QFrame::Panel);
    m_swatch->setFrameShadow(QFrame::Sunken);
    m_swatch->setAutoFillBackground(true);
    m_swatch->setFixedSize(120, 120);

    const auto button = [this](const char *name, const QString &text) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(text);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setMinimumWidth(64);
        return b;
    };
    QToolButton *add = button("SpeedButton1", QStringLiteral("新增"));
    QToolButton *remove = button("SpeedButton3", QStringLiteral("删除"));
    QToolButton *close = button("SpeedButton4", QStringLiteral("关闭"));
    auto *closeAction = new QAction(QStringLiteral("关闭"), this);
    closeAction->setObjectName(QStringLiteral("Act_Close"));
    close->setDefaultAction(closeAction);

    auto *list = new QVBoxLayout;
    list->addWidget(new QLabel(QStringLiteral("颜色信息列表："), this));
    list->addWidget(m_grid);
    auto *shown = new QVBoxLayout;
    shown->addWidget(new QLabel(QStringLiteral("颜色显示："), this));
    shown->addWidget(m_swatch);
    shown->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addWidget(close);
    shown->addLayout(buttons);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(list);
    layout->addLayout(shown);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The swatch follows the current row: at opening, on a click in the grid, after a change.
    connect(&m_colours, &store::Dataset::currentRowChanged, this, &ColorWindow::showCurrentColour);
    connect(&m_colours, &store::Dataset::rowChanged, this, &ColorWindow::showCurrentColour);
    connect(add, &QToolButton::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { addColour(); }); });
    connect(remove, &QToolButton::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { removeColour(); }); });
    connect(closeAction, &QAction::triggered, this, &QDialog::reject);
    showCurrentColour();
}

ColorWindow::~ColorWindow()
{
    if (m_colours.isEditing())
        m_colours.cancel();
}

void ColorWindow::done(int result)
{
    // A colour row the store refused must not stay pending in the shared colour table.
    if (m_colours.isEditing())
        m_colours.cancel();
    QDialog::done(result);
}

void ColorWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void ColorWindow::showCurrentColour()
{
    const bool hasRow = m_colours.isOpen() && m_colours.currentRow() >= 0;
    fillSwatch(hasRow ? int(m_colours.value(ColourColumn).toLongLong()) : 0);
}

void ColorWindow::fillSwatch(int colorRef)
{
    QPalette p = m_swatch->palette();
    p.setColor(QPalette::Window, ColorDialog::fromColorRef(colorRef));
    m_swatch->setPalette(p);
}

// ---------------------------------------------------------------- commands

void ColorWindow::addColour()
{
    m_colours.open();
    const bool hasRow = m_colours.currentRow() >= 0;
    const auto chosen =
        ColorDialog::getColor(this, hasRow ? int(m_colours.value(ColourColumn).toLongLong()) : 0);
    if (!chosen)
        return;
    m_colours.append();
    m_colours.setValue(ColourColumn, *chosen);
    fillSwatch(*chosen);
    try {
        m_colours.post();
    } catch (...) {
        // A colour already in the list: the general error display tells why, and the refused
        // row is dropped rather than left pending in the shared table.
        m_colours.cancel();
        throw;
    }
}

void ColorWindow::removeColour()
{
    if (!MessageBox::confirm(this, QStringLiteral("真的要删除该条记录吗?"), QMessageBox::Question))
        return;
    if (m_colours.isOpen() && !m_colours.isEmpty())
        m_colours.remove();
}
