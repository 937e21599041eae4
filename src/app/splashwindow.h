#pragma once

#include <QWidget>

class QLabel;

// The start-up picture: borderless, centred, shown for about one second while the rest of
// the program is built.
class SplashWindow : public QWidget
{
    Q_OBJECT
public:
    explicit SplashWindow(QWidget *parent = nullptr);

    // Shows the picture and keeps the event loop turning until its one-second timer fires.
    void showForAMoment(int milliseconds = 1000);
    // A line under the picture for work that keeps the program from starting at once.
    void showMessage(const QString &text);

private:
    QLabel *m_message = nullptr;
};
