#pragma once

#include <QFrame>
#include <QString>
#include <QVariant>

class DatasetModel;
class QLineEdit;
class QTimer;
class QTreeView;

namespace store
{
class Dataset;
}

// Find as you type for a drop-down over a large source (every agent of the store): typing into
// the closed drop-down opens this box under it, with what was typed. After a short pause the
// list shows the source's rows whose code starts with the text or whose name contains it
// (letter case ignored), found by the store among the rows the source holds now (its filter,
// such as the ownership rule, still applies), read a screen at a time. The arrow keys move in
// the list, Enter takes the row, Escape closes the box and leaves the field as it was.
class FindPopup : public QFrame
{
    Q_OBJECT
  public:
    FindPopup(QWidget *owner, const QString &codeField, const QString &nameField);
    ~FindPopup() override;

    // Opens the box under its owner over `source`, the text typed so far in it.
    void start(store::Dataset &source, const QString &typed);
    // Reads the rows for the text in the box now, without waiting for the pause.
    void findNow();

    QLineEdit *input() const { return m_input; }
    QTreeView *list() const { return m_list; }
    store::Dataset *found() const { return m_found; }

  Q_SIGNALS:
    // The code of the row taken.
    void chosen(const QVariant &code);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void take(int row);

    QWidget *m_owner;
    QString m_codeField, m_nameField;
    QLineEdit *m_input;
    QTreeView *m_list;
    DatasetModel *m_model;
    QTimer *m_pause;
    store::Dataset *m_found = nullptr;
    store::Dataset *m_source = nullptr;
};
