#include "logwindow.h"
#include "gridexport.h"

#include "datagrid.h"
#include "datamodule.h"
#include "errordisplay.h"
#include "filedialog.h"
#include "inifile.h"
#include "messagebox.h"
#include "session.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

LogWindow::LogWindow(store::DataModule &dm, QWidget *parent) : QDialog(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("TfrmSysLog"));
    setWindowTitle(QStringLiteral("系统日志"));
    GridExport::setLogPrefix(this, QStringLiteral("系统设置-系统日志"));

    const auto button = [this](const char *name, const QString &text, void (LogWindow::*command)()) {
        return ErrorDisplay::commandButton(this, name, text, [this, command] { (this->*command)(); });
    };
    auto *bar = new QHBoxLayout;
    bar->addWidget(button("SpeedButton4", QStringLiteral("保存日志"), &LogWindow::saveLog));
    bar->addWidget(button("SpeedButton1", QStringLiteral("清空日志"), &LogWindow::clearLog));
    auto *close = new QPushButton(QStringLiteral(" 关 闭"), this);
    close->setObjectName(QStringLiteral("spBtnClose"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    bar->addWidget(close);
    bar->addStretch();

    m_grid = new DataGrid(this);
    m_grid->setObjectName(QStringLiteral("dxDBGrid1"));
    m_grid->addColumn(QStringLiteral("LogID"), QStringLiteral("日志编号"), 70);
    m_grid->addColumn(QStringLiteral("LogDateTime"), QStringLiteral("操作时间"), 150);
    m_grid->addColumn(QStringLiteral("UserID"), QStringLiteral("操作员"), 80);
    m_grid->addColumn(QStringLiteral("Operate"), QStringLiteral("操作内容"), 260);
    m_grid->setGroupBandVisible(false);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(new QLabel(QStringLiteral("系统操作记录："), this));
    layout->addWidget(m_grid, 1);
    resize(680, 460);

    // The log row of the command that opened the window is shown too.
    store::Dataset &log = m_dm.tblLog;
    if (log.isOpen())
        log.refresh();
    else
        log.open();
    m_grid->setDataset(&log);
}

void LogWindow::saveLog()
{
    m_dm.writeLog(QStringLiteral("系统设置-系统日志-保存日志"));
    reread();
    const QString folder = store::session().AppDir + QStringLiteral("Log");
    QDir().mkpath(folder);
    const QString file =
        FileDialog::getSaveFileName(this, QStringLiteral("保存日志"), folder, QStringLiteral("log"),
                                    QStringLiteral("ini文件(*.ini)"), QStringLiteral("ini"));
    if (file.isEmpty())
        return;
    exportTo(m_dm, file); // reads the rows as the store holds them now
}

void LogWindow::exportTo(store::DataModule &dm, const QString &fileName)
{
    store::Dataset &log = dm.tblLog;
    log.open();
    const int id = log.fieldIndex(QStringLiteral("LogID"));
    const int time = log.fieldIndex(QStringLiteral("LogDateTime"));
    const int user = log.fieldIndex(QStringLiteral("UserID"));
    const int operate = log.fieldIndex(QStringLiteral("Operate"));
    const QString section = QStringLiteral("LogFile");
    const QChar blank = QLatin1Char(' ');
    IniFile ini(fileName);
    log.forEachRow([&](int, const QVector<QVariant> &v) {
        ini.setValue(section, v[id].toString(),
                     v[time].toString() + blank + v[user].toString() + blank +
                         v[operate].toString());
    });
    ini.save();
}

void LogWindow::clearLog()
{
    const QString operate = QStringLiteral("系统设置-系统日志-清空日志");
    m_dm.writeLog(operate);
    // Clearing cannot be undone: it is asked first, and it leaves its own row behind, with
    // who cleared and when, written in the same transaction as the deletion.
    if (MessageBox::confirm(this, QStringLiteral("您真的要清空全部系统日志吗？清空后无法恢复！"))) {
        m_dm.connection().transaction([this, &operate] {
            m_dm.qryLogClear.execute();
            m_dm.writeLog(operate);
        });
    }
    reread();
}

// Close and open again: the rows the store holds now, the newest log rows included.
void LogWindow::reread()
{
    m_dm.tblLog.close();
    m_dm.tblLog.open();
}
