#include "systeminfodialog.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QSysInfo>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace
{
qint64 physicalMemory()
{
#if defined(Q_OS_UNIX) && defined(_SC_PHYS_PAGES)
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages > 0 && pageSize > 0)
        return qint64(pages) * pageSize;
#endif
    return -1;
}
} // namespace

QList<QPair<QString, QString>> SystemInfoDialog::facts()
{
    QList<QPair<QString, QString>> f;
    f.append({QStringLiteral("操作系统"), QSysInfo::prettyProductName()});
    f.append({QStringLiteral("内核"),
              QSysInfo::kernelType() + QLatin1Char(' ') + QSysInfo::kernelVersion()});
    f.append({QStringLiteral("处理器架构"), QSysInfo::currentCpuArchitecture()});
    f.append({QStringLiteral("处理器数量"), QString::number(QThread::idealThreadCount())});
    const qint64 memory = physicalMemory();
    f.append({QStringLiteral("物理内存"),
              memory > 0 ? QLocale::system().formattedDataSize(memory) : QStringLiteral("未知")});
    f.append({QStringLiteral("Qt 版本"), QString::fromLatin1(qVersion())});
    f.append({QStringLiteral("计算机名"), QSysInfo::machineHostName()});
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (int i = 0; i < screens.size(); ++i) {
        const QScreen *s = screens[i];
        const QString caption =
            screens.size() == 1 ? QStringLiteral("屏幕") : QStringLiteral("屏幕 %1").arg(i + 1);
        f.append({caption, QStringLiteral("%1 × %2，%3 DPI，%4 位色")
                               .arg(s->size().width())
                               .arg(s->size().height())
                               .arg(qRound(s->logicalDotsPerInch()))
                               .arg(s->depth())});
    }
    if (screens.isEmpty())
        f.append({QStringLiteral("屏幕"), QStringLiteral("无")});
    return f;
}

SystemInfoDialog::SystemInfoDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SystemInfoDialog"));
    setWindowTitle(QStringLiteral("系统信息"));

    auto *list = new QTreeWidget;
    list->setObjectName(QStringLiteral("facts"));
    list->setColumnCount(2);
    list->setHeaderLabels({QStringLiteral("项目"), QStringLiteral("值")});
    list->setRootIsDecorated(false);
    for (const auto &[caption, value] : facts())
        list->addTopLevelItem(new QTreeWidgetItem(QStringList{caption, value}));
    list->resizeColumnToContents(0);
    list->header()->setStretchLastSection(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(list);
    layout->addWidget(buttons);
    resize(520, 320);
}
