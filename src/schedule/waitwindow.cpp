#include "waitwindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

WaitWindow::WaitWindow(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_label(new QLabel(QStringLiteral("当前数据正在升级，请稍候..."), this)),
      m_progress(new QProgressBar(this))
{
    setObjectName(QStringLiteral("TfrmUpdate"));
    setWindowTitle(QStringLiteral("数据升级中..."));
    m_label->setObjectName(QStringLiteral("Label1"));
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setFormat(QStringLiteral("%v / %m"));
    m_progress->setRange(0, 0);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_progress);
    setFixedSize(360, 100);
}

void WaitWindow::setMessage(const QString &text)
{
    setWindowTitle(text);
    m_label->setText(text);
}

void WaitWindow::setProgress(int done, int total)
{
    m_progress->setRange(0, total);
    m_progress->setValue(done);
    // Painted now: the work runs on this thread and the window would otherwise stay blank.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void WaitWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void WaitWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
}
