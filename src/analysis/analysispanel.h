#pragma once

#include "analysismember.h"

#include <QDate>
#include <QFont>
#include <QWidget>

class QAction;
class QIODevice;
class QChart;
class QChartView;
class QComboBox;
class QDateEdit;
class QListWidget;
class QPieSeries;
class QPieSlice;
class QRectF;
class QToolButton;
struct Workspace;

namespace store
{
class Dataset;
}

// One chart analysis (TfrmRegionAnalyse, TfrmCustLevelAnalyse, ...): a pie of how the agents
// or their contact records divide among the categories of a dictionary, in the categories'
// colours, and for most a list of the counts beside it. Hosted in the main window's work area;
// only 刷新 computes, and the panel keeps its last chart between visits. No ownership filter:
// every user counts every agent.
class AnalysisPanel : public QWidget
{
    Q_OBJECT
  public:
    AnalysisPanel(Workspace &ws, const AnalysisMember &member, QWidget *parent = nullptr);

    const AnalysisMember &member() const { return m_member; }
    QChart *chart() const { return m_chart; }
    QPieSeries *series() const { return m_series; }
    QListWidget *list() const { return m_list; }
    QComboBox *selector() const { return m_selector; }
    QDateEdit *from() const { return m_from; }
    QDateEdit *to() const { return m_to; }
    QAction *action(const QString &name) const;
    // Where the slice's label is drawn, in the chart's coordinates; shown or not.
    QRectF labelRect(const QPieSlice *slice) const;

    // What the main-window command does each time it shows the panel: the period back to the
    // last 30 days, and the navigation entries as the navigation panel stands now.
    void prepare();

  public Q_SLOTS:
    void refresh(); // 刷新
    void closePanel(); // 关闭

  private:
    void buildTitleBar();
    void buildMenu();
    void setListVisible(bool visible);
    void setNavigationVisible(bool visible);
    void updateMenu();
    static void run(store::Dataset &query, const QStringList &lines, const QVariantMap &values);
    void fillList(const QString &total, const QString &caption, const QStringList &lines, const QVariantMap &values = {});
    void fillChart(const QStringList &lines, const QString &title, const QVariantMap &values = {});
    void placeLabels();
    void fitLegend();
    void exportPicture();
    bool writePdf(QIODevice &out, QString *why) const;
    QVariantMap period() const;

    Workspace &m_ws;
    AnalysisMember m_member;
    QChartView *m_view = nullptr;
    QChart *m_chart = nullptr;
    QPieSeries *m_series = nullptr;
    QListWidget *m_list = nullptr;
    QFont m_legendFont; // the legend's own letters, the largest it is given
    QComboBox *m_selector = nullptr;
    QDateEdit *m_from = nullptr, *m_to = nullptr;
};
