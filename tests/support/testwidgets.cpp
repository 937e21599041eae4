#include "testwidgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

namespace testsupport
{

void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

void typeIntoFocus(const QString &text)
{
    QWidget *focus = QApplication::focusWidget();
    QVERIFY2(focus, "nothing has the focus");
    typeText(focus, text);
}

void pressOnFocus(QKeyCombination key)
{
    QWidget *focus = QApplication::focusWidget();
    QVERIFY2(focus, "nothing has the focus");
    QTest::keyClick(focus, key.key(), key.keyboardModifiers());
}

void whenModal(const QString &objectName, std::function<void(QWidget *)> work)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, objectName, work] {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || w->objectName() != objectName || !w->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        work(w);
    });
    timer->start();
}

} // namespace testsupport
