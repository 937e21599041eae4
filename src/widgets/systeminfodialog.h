#pragma once

#include <QDialog>
#include <QList>
#include <QPair>
#include <QString>

// "系统信息": what the desktop's system-information tool would tell a support call: the
// operating system, the Qt version, processors, memory and screens.
class SystemInfoDialog : public QDialog
{
    Q_OBJECT
  public:
    explicit SystemInfoDialog(QWidget *parent = nullptr);

    // Caption and value of every line shown, in order.
    static QList<QPair<QString, QString>> facts();
};
