#pragma once

#include <QFrame>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>

class QHBoxLayout;
class QLabel;
class QMimeData;
class QToolButton;

// The strip above a data grid that shows what the grid is grouped by. A column header dragged
// onto it groups by that column; clicking a group's button ungroups it.
class GridGroupBand : public QFrame
{
    Q_OBJECT
  public:
    explicit GridGroupBand(QWidget *parent = nullptr);

    // The grouping shown: (field, caption) from the outer level inwards.
    void setGroups(const QList<QPair<QString, QString>> &groups);
    QStringList fields() const;
    QToolButton *button(const QString &field) const;

    // Only drags started by this object (the grid's header) are taken.
    void setDragSource(QObject *source) { m_source = source; }

    static QString mimeType();
    static QMimeData *mimeData(const QString &field);

  Q_SIGNALS:
    void groupDropped(const QString &field, int position);
    void groupRemoved(const QString &field);

  protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

  private:
    bool accepts(const QDropEvent *event) const;
    int positionAt(int x) const;

    QHBoxLayout *m_layout;
    QLabel *m_hint;
    QList<QPair<QString, QToolButton *>> m_buttons;
    QPointer<QObject> m_source;
};
