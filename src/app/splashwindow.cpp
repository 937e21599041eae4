#include "splashwindow.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

SplashWindow::SplashWindow(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("TfrmSplash"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(QPixmap(QStringLiteral(":/artwork/splash.jpg")));
    layout->addWidget(picture);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("lbMessage"));
    m_message->setAlignment(Qt::AlignCenter);
    m_message->hide();
    layout->addWidget(m_message);
    adjustSize();
}

void SplashWindow::showMessage(const QString &text)
{
    m_message->setText(text);
    m_message->show();
    adjustSize();
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void SplashWindow::showForAMoment(int milliseconds)
{
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
    show();
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}
