#pragma once

#include <QDialog>
#include <QHash>
#include <QList>
#include <QString>

class QCheckBox;
class QGridLayout;
class QLineEdit;
class QTabWidget;

namespace store
{
class DataModule;
}

// TfrmRight: the rights of the user that is current in tblUser, one check box per right of
// the catalogue on five tabs, with the record flags of the rights that have them.
class RightWindow : public QDialog
{
    Q_OBJECT
  public:
    explicit RightWindow(store::DataModule &dm, QWidget *parent = nullptr);

    QString userId() const { return m_userId; }

  private:
    void buildLayout();
    QWidget *buildTab(int tab);
    void addRightRow(QGridLayout *grid, int entry, int row, int column);
    void showRights();
    void rightToggled(int entry, bool on);
    void selectAll(int tab, bool on);

    void save();
    void writeRights();

    QCheckBox *box(const QString &rightId) const { return m_boxes.value(rightId); }
    QCheckBox *flagBox(const QString &rightId, int flag) const;

    store::DataModule &m_dm;
    QString m_userId;
    QString m_userName;
    QLineEdit *m_userIdField = nullptr;
    QLineEdit *m_userNameField = nullptr;
    QTabWidget *m_tabs = nullptr;
    QHash<QString, QCheckBox *> m_boxes;            // right ID -> its box
    QHash<QString, QList<QCheckBox *>> m_flagBoxes; // right ID -> boxes by flag, null without
};
