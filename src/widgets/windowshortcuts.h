#pragma once

#include <QObject>

class QWidget;

// Makes a window's command keys win over the editing keys of its fields: with it, Ctrl+X on
// a window whose 关闭 answers Ctrl+X closes the window from inside a text field instead of
// cutting text, and Ctrl+A is 新增 rather than "select all". Lives as long as the window.
class WindowShortcuts : public QObject
{
    Q_OBJECT
public:
    explicit WindowShortcuts(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isCommandKey(const QKeySequence &keys) const;

    QWidget *m_window;
};
