#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QTimer;
class QToolButton;

namespace store
{
class Dataset;
}

// The filter box above a list: what is typed narrows the list's rows, after a short pause, to
// those whose listed texts contain it (see Dataset::setSearch), within the list's own
// condition. Beside it, how many rows the list shows and of how many, the filters in force
// and one click that clears them all. Escape clears the box and goes back to the list.
class SearchBar : public QWidget
{
    Q_OBJECT
  public:
    // What the module's 查询 left in force, and how it is taken away (both may be empty).
    struct Query {
        std::function<bool()> inForce;
        std::function<void()> clear;
    };

    // `list` takes the keyboard back from the box (it may come later, through setList).
    SearchBar(store::Dataset &set, const QStringList &fields, QWidget *list, QWidget *parent);

    QLineEdit *edit() const { return m_edit; }
    void setList(QWidget *list) { m_list = list; }
    void setQuery(Query query) { m_query = std::move(query); }
    // The keyboard into the box, its text selected.
    void focusBox();
    // The box's text applied now, without waiting for the pause.
    void applyNow();
    // Shows the counts and the filters in force again (after the list was read anew).
    void updateStatus();

    static constexpr int Pause = 250; // milliseconds after the last key

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void apply();
    void clearAll();
    void scheduleStatus(bool recount);

    store::Dataset &m_set;
    QStringList m_fields;
    QWidget *m_list;
    QLineEdit *m_edit;
    QLabel *m_count;
    QLabel *m_filters;
    QToolButton *m_clear;
    QTimer *m_pause;
    QTimer *m_status;
    Query m_query;
    qint64 m_total = -1; // the rows without the box's text, while known
    bool m_applying = false;
};
