#include "filepanel.h"

#include "datamodule.h"
#include "desktopservices.h"
#include "errordisplay.h"
#include "folderview.h"
#include "messagebox.h"
#include "newfiledialog.h"
#include "pastefiledialog.h"
#include "recordfolders.h"
#include "rights.h"
#include "session.h"

#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

FilePanel::DialogHook &dialogHook()
{
    static FilePanel::DialogHook hook;
    return hook;
}

enum Picture { Calculator, Calendar, SystemInfo, Envelope, Cut, Copy };

// The panel's pictures: a rounded coloured tile with a white glyph, drawn here so the panel
// needs no artwork files.
QIcon picture(int kind, int size)
{
    static const QColor tiles[] = {QColor(0x2f, 0x6f, 0xb5), QColor(0xc0, 0x39, 0x2b),
                                   QColor(0x27, 0x8e, 0x5a), QColor(0xd3, 0x7a, 0x1f),
                                   QColor(0x6c, 0x5b, 0x9e), QColor(0x3a, 0x8f, 0x9a)};
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QLinearGradient fill(0, 0, 0, s);
    fill.setColorAt(0, tiles[kind].lighter(130));
    fill.setColorAt(1, tiles[kind]);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1, 1, s - 2, s - 2), s / 6, s / 6);

    p.setPen(QPen(Qt::white, qMax(1.0, s / 24)));
    p.setBrush(Qt::NoBrush);
    const qreal u = s / 8; // grid unit of the glyphs
    switch (kind) {
    case Calculator: {
        p.drawRoundedRect(QRectF(2 * u, 1.5 * u, 4 * u, 5 * u), u / 3, u / 3);
        p.fillRect(QRectF(2.6 * u, 2.1 * u, 2.8 * u, 0.9 * u), Qt::white);
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col)
                p.fillRect(QRectF((2.6 + col * 1.0) * u, (3.5 + row * 0.95) * u, 0.7 * u, 0.6 * u),
                           Qt::white);
        break;
    }
    case Calendar: {
        const QRectF page(1.8 * u, 2 * u, 4.4 * u, 4.4 * u);
        p.setBrush(Qt::white);
        p.drawRect(page);
        p.fillRect(QRectF(page.left(), page.top(), page.width(), 1.1 * u), tiles[kind].darker(140));
        p.setPen(QPen(tiles[kind], qMax(1.0, s / 40)));
        for (int i = 1; i < 4; ++i) {
            const qreal x = page.left() + i * page.width() / 4;
            p.drawLine(QPointF(x, page.top() + 1.1 * u), QPointF(x, page.bottom()));
        }
        for (int i = 1; i < 3; ++i) {
            const qreal y = page.top() + 1.1 * u + i * (page.height() - 1.1 * u) / 3;
            p.drawLine(QPointF(page.left(), y), QPointF(page.right(), y));
        }
        break;
    }
    case SystemInfo:
        p.drawEllipse(QPointF(4 * u, 4 * u), 2.4 * u, 2.4 * u);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(4 * u, 2.9 * u), 0.35 * u, 0.35 * u);
        p.fillRect(QRectF(3.7 * u, 3.6 * u, 0.6 * u, 2 * u), Qt::white);
        break;
    case Envelope: {
        const QRectF body(1.6 * u, 2.4 * u, 4.8 * u, 3.4 * u);
        p.drawRect(body);
        p.drawLine(body.topLeft(), QPointF(body.center().x(), body.center().y() + 0.3 * u));
        p.drawLine(body.topRight(), QPointF(body.center().x(), body.center().y() + 0.3 * u));
        break;
    }
    case Cut:
        p.drawEllipse(QPointF(2.8 * u, 5.4 * u), 1 * u, 1 * u);
        p.drawEllipse(QPointF(5.2 * u, 5.4 * u), 1 * u, 1 * u);
        p.drawLine(QPointF(3.4 * u, 4.6 * u), QPointF(5.4 * u, 1.6 * u));
        p.drawLine(QPointF(4.6 * u, 4.6 * u), QPointF(2.6 * u, 1.6 * u));
        break;
    case Copy:
        p.drawRect(QRectF(1.8 * u, 1.6 * u, 3 * u, 3.6 * u));
        p.setBrush(tiles[kind]);
        p.drawRect(QRectF(3.2 * u, 2.8 * u, 3 * u, 3.6 * u));
        break;
    default:
        break;
    }
    return QIcon(pixmap);
}

} // namespace

void FilePanel::setDialogHook(DialogHook hook)
{
    dialogHook() = std::move(hook);
}

FilePanel::FilePanel(store::DataModule &dm, Rights &rights, QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                              Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                              Qt::WindowMinimizeButtonHint),
      m_dm(dm), m_rights(rights), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("TfrmTools"));
    setWindowTitle(QStringLiteral("文件及工具栏"));
    // Shown beside the main window without taking the keyboard from it, so the main window's
    // keys (F2 and the rest) work right after the panel appears.
    setAttribute(Qt::WA_ShowWithoutActivating);

    // Upper part: the tool pictures.
    m_pictures = new QWidget(this);
    auto *pictures = new QHBoxLayout(m_pictures);
    pictures->setContentsMargins(0, 0, 0, 0);
    addPicture(QStringLiteral("imgCalculator"), QStringLiteral("计算器"), Calculator,
               &FilePanel::showCalculator);
    addPicture(QStringLiteral("imgCalendar"), QStringLiteral("日历"), Calendar,
               &FilePanel::showCalendar);
    addPicture(QStringLiteral("imgSystemInfo"), QStringLiteral("系统信息"), SystemInfo,
               &FilePanel::showSystemInfo);
    addPicture(QStringLiteral("imgEnvelope"), QStringLiteral("信封标签打印"), Envelope,
               &FilePanel::printEnvelopes);

    // Lower part: the list toolbar, the folder's path and its listing.
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("ToolBar1"));
    m_toolbar->setIconSize(QSize(20, 20));
    addCommand(QStringLiteral("actNewFile"), QStringLiteral("新建文件"),
               style()->standardIcon(QStyle::SP_FileIcon), &FilePanel::newFile);
    addCommand(QStringLiteral("actCut"), QStringLiteral("剪切"),
               QIcon::fromTheme(QStringLiteral("edit-cut"), picture(Cut, 20)), &FilePanel::cutFile);
    addCommand(QStringLiteral("actCopy"), QStringLiteral("复制"),
               QIcon::fromTheme(QStringLiteral("edit-copy"), picture(Copy, 20)),
               &FilePanel::copyFile);
    m_toolbar->addSeparator();
    addCommand(QStringLiteral("actRoot"), QStringLiteral("文件根目录"),
               style()->standardIcon(QStyle::SP_DirHomeIcon), &FilePanel::showRootFolder);
    addCommand(QStringLiteral("actUp"), QStringLiteral("向上"),
               style()->standardIcon(QStyle::SP_FileDialogToParent), &FilePanel::goUp);
    addCommand(QStringLiteral("actRefresh"), QStringLiteral("刷新"),
               style()->standardIcon(QStyle::SP_BrowserReload), &FilePanel::refresh);

    m_path = new QLabel(this);
    m_path->setObjectName(QStringLiteral("lblPath"));

    m_view = new FolderView(true, this);
    m_view->setObjectName(QStringLiteral("ShellListView1"));
    m_view->setFixedSize(224, 320);
    m_view->setLogger([this](const QString &operate) { m_dm.writeLog(operate); });
    connect(m_view, &FolderView::folderChanged, this, [this](const QString &path) {
        showPath(path);
        Q_EMIT folderChanged(path);
    });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);
    layout->addWidget(m_pictures);
    layout->addWidget(m_toolbar);
    layout->addWidget(m_path);
    layout->addWidget(m_view);
    // The panel keeps one size: it sits in a fixed place beside the main window.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    showFolder(RecordFolders::root());
}

QToolButton *FilePanel::addPicture(const QString &name, const QString &tip, int kind,
                                   void (FilePanel::*slot)())
{
    auto *button = new QToolButton(m_pictures);
    button->setObjectName(name);
    button->setToolTip(tip);
    button->setIcon(picture(kind, 40));
    button->setIconSize(QSize(40, 40));
    button->setAutoRaise(true);
    connect(button, &QToolButton::clicked, this, slot);
    m_pictures->layout()->addWidget(button);
    return button;
}

QAction *FilePanel::addCommand(const QString &name, const QString &tip, const QIcon &icon,
                               void (FilePanel::*slot)())
{
    QAction *action = m_toolbar->addAction(icon, tip);
    action->setObjectName(name);
    action->setToolTip(tip);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

bool FilePanel::log(const QString &operate)
{
    return ErrorDisplay::run(this, [&] { m_dm.writeLog(operate); });
}

void FilePanel::runDialog(QDialog &dialog)
{
    if (dialogHook())
        dialogHook()(dialog);
    else if (!MessageBox::isScripted())
        dialog.exec();
}

void FilePanel::showFolder(const QString &path)
{
    m_view->setFolder(path);
}

QString FilePanel::folder() const
{
    return m_view->folder();
}

void FilePanel::showPath(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    m_path->setToolTip(shown);
    m_path->setText(m_path->fontMetrics().elidedText(shown, Qt::ElideMiddle, m_view->width()));
}

void FilePanel::placeBeside(QWidget *mainWindow, int topBarHeight)
{
    if (!mainWindow)
        return;
    int top = topBarHeight;
    if (top < 0) {
        top = 0;
        auto *frame = qobject_cast<QMainWindow *>(mainWindow);
        if (frame && frame->centralWidget())
            top = frame->centralWidget()->geometry().top();
    }
    const QPoint client = mainWindow->mapToGlobal(QPoint(0, 0));
    // move() places the outer frame; its width includes the decorations once shown.
    const int outerWidth = qMax(frameGeometry().width(), width());
    move(client.x() + mainWindow->width() - outerWidth, client.y() + top);
}

void FilePanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Shown by the program (not restored by the window system): back beside the main window.
    if (!event->spontaneous() && m_mainWindow)
        placeBeside(m_mainWindow);
}

void FilePanel::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        Q_EMIT closedByUser();
}

// ---- the list toolbar

void FilePanel::newFile()
{
    if (!log(QStringLiteral("文件管理-新建文件")))
        return;
    NewFileDialog dialog(folder(), this);
    connect(&dialog, &NewFileDialog::folderChosen, this, &FilePanel::showFolder);
    runDialog(dialog);
}

void FilePanel::cutFile()
{
    paste(QStringLiteral("Cut"), QStringLiteral("剪切文件"));
}

void FilePanel::copyFile()
{
    paste(QStringLiteral("Copy"), QStringLiteral("复制文件"));
}

void FilePanel::paste(const QString &mode, const QString &title)
{
    if (!log(mode == QLatin1String("Cut") ? QStringLiteral("文件管理-剪切文件")
                                          : QStringLiteral("文件管理-复制文件")))
        return;
    store::session().FileClipMode = mode;
    PasteFileDialog dialog(title, folder(), this);
    connect(&dialog, &PasteFileDialog::folderChosen, this, &FilePanel::showFolder);
    runDialog(dialog);
}

void FilePanel::showRootFolder()
{
    if (!log(QStringLiteral("文件管理-文件根目录")))
        return;
    RecordFolders::ensure(RecordFolders::root());
    showFolder(RecordFolders::root());
    m_view->refresh();
}

void FilePanel::goUp()
{
    if (!log(QStringLiteral("文件管理-向上")))
        return;
    if (!folder().isEmpty())
        showFolder(QDir::cleanPath(folder() + QStringLiteral("/..")));
}

void FilePanel::refresh()
{
    if (log(QStringLiteral("文件管理-刷新")))
        m_view->refresh();
}

// ---- the tool pictures

void FilePanel::showCalculator()
{
    if (log(QStringLiteral("工具-计算器")))
        DesktopServices::showCalculator(this);
}

void FilePanel::showCalendar()
{
    if (log(QStringLiteral("工具-日历")))
        DesktopServices::showCalendar(this);
}

void FilePanel::showSystemInfo()
{
    if (log(QStringLiteral("工具-系统信息")))
        DesktopServices::showSystemInfo(this);
}

void FilePanel::printEnvelopes()
{
    // The right is tested before anything is logged: a refused user leaves no log row.
    if (!m_rights.allows(QStringLiteral("503"))) {
        MessageBox::warning(this, QStringLiteral("对不起，您不能使用信封标签打印功能！"));
        return;
    }
    const bool ready = ErrorDisplay::run(this, [this] {
        m_dm.writeLog(QStringLiteral("工具-信封标签"));
        m_dm.tblCustomers2.close();
        m_dm.tblCustomers2.open();
        m_dm.qryLinkmans3.close();
        m_dm.qryLinkmans3.setSql(QStringLiteral("select * from tblLinkmans"));
        m_dm.qryLinkmans3.open();
    });
    if (ready)
        Q_EMIT envelopeRequested();
}
