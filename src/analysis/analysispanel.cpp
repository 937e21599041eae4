#include "analysispanel.h"
#include "connection.h"

#include "datamodule.h"
#include "errordisplay.h"
#include "filedialog.h"
#include "firstfocus.h"
#include "messagebox.h"
#include "modulehost.h"
#include "pdftext.h"
#include "session.h"
#include "storeerror.h"
#include "workspace.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLegend>
#include <QListWidget>
#include <QPainter>
#include <QPdfWriter>
#include <QPieLegendMarker>
#include <QPieSeries>
#include <QPieSlice>
#include <QPixmap>
#include <QSaveFile>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtMath>
#include <cmath>

namespace
{

const QString DateFormat = QStringLiteral("yyyy-MM-dd");

// A dictionary colour holds red in its lowest byte, then green, then blue.
QColor colourOf(const QVariant &value)
{
    bool ok = false;
    const qint64 v = value.toLongLong(&ok);
    if (value.isNull() || !ok)
        return {};
    return QColor(int(v & 0xff), int((v >> 8) & 0xff), int((v >> 16) & 0xff));
}

} // namespace

AnalysisPanel::AnalysisPanel(Workspace &ws, const AnalysisMember &member, QWidget *parent)
    : QWidget(parent), m_ws(ws), m_member(member)
{
    setObjectName(member.objectName);
    setWindowTitle(member.designTitle);
    buildTitleBar();

    m_series = new QPieSeries(this);
    m_chart = new QChart;
    m_chart->addSeries(m_series);
    m_chart->setTitle(member.designTitle);
    // The legend stands beside the pie, one category a line, so every name can be read even
    // with thirty-odd provinces; at the bottom it would leave each one a bare colour square.
    m_chart->legend()->setAlignment(Qt::AlignRight);
    m_chart->legend()->setShowToolTips(true);
    connect(m_chart, &QChart::plotAreaChanged, this, &AnalysisPanel::placeLabels);
    m_legendFont = m_chart->legend()->font();
    connect(m_chart, &QGraphicsWidget::geometryChanged, this, &AnalysisPanel::fitLegend);
    m_view = new QChartView(m_chart, this);
    m_view->setObjectName(QStringLiteral("Chart1"));
    m_view->setRenderHint(QPainter::Antialiasing);

    // Every analysis lists its counts beside the chart; the region's list names each slice
    // with its number of agents, for the slices too thin to carry a label.
    auto *body = new QHBoxLayout;
    body->addWidget(m_view, 3);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ListBox1"));
    body->addWidget(m_list, 1);
    qobject_cast<QVBoxLayout *>(layout())->addLayout(body, 1);
    buildMenu();
    FirstFocus::set(this, m_selector ? static_cast<QWidget *>(m_selector) : m_from);
}

void AnalysisPanel::buildTitleBar()
{
    auto *bar = new QHBoxLayout;
    const auto button = [this, bar](const char *name, const QString &caption) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(caption);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        bar->addWidget(b);
        return b;
    };
    if (m_member.kind == AnalysisMember::Kind::Period) {
        bar->addWidget(new QLabel(QStringLiteral("请选择时间段分析："), this));
        m_from = new QDateEdit(QDate::currentDate().addDays(-30), this);
        m_from->setObjectName(QStringLiteral("dtpFrom"));
        m_to = new QDateEdit(QDate::currentDate(), this);
        m_to->setObjectName(QStringLiteral("dtpTo"));
        for (QDateEdit *e : {m_from, m_to}) {
            e->setDisplayFormat(DateFormat);
            e->setCalendarPopup(true);
        }
        bar->addWidget(m_from);
        bar->addWidget(new QLabel(QStringLiteral("至"), this));
        bar->addWidget(m_to);
    } else {
        const bool region = m_member.kind == AnalysisMember::Kind::Region;
        bar->addWidget(new QLabel(region ? QStringLiteral("请选择按国家或者地区分析：")
                                         : QStringLiteral("请选择具体内容查询分析："),
                                  this));
        m_selector = new QComboBox(this); // a choice, no free text
        m_selector->setObjectName(QStringLiteral("cbChoice"));
        m_selector->addItems(region ? QStringList{QStringLiteral("省份"), QStringLiteral("国家/地区"), QStringLiteral("境外")}
                                    : QStringList{QStringLiteral("按商务代理数量分析"), QStringLiteral("按联络记录数量分析")});
        bar->addWidget(m_selector);
    }
    bar->addStretch(1);
    connect(button("SpeedButton4", QStringLiteral("刷新")), &QToolButton::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { refresh(); }); });
    connect(button("SpeedButton7", QStringLiteral("关闭")), &QToolButton::clicked, this, &AnalysisPanel::closePanel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(bar);
}

void AnalysisPanel::buildMenu()
{
    const auto entry = [this](const char *name, const QString &text, std::function<void()> work) {
        auto *a = new QAction(text, m_view);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, std::move(work));
        m_view->addAction(a);
        return a;
    };
    entry("N_ShowList", QStringLiteral("显示列表"), [this] { setListVisible(true); });
    entry("N_HideList", QStringLiteral("隐藏列表"), [this] { setListVisible(false); });
    entry("N_ShowNavigation", QStringLiteral("显示导航条"), [this] { setNavigationVisible(true); });
    entry("N_HideNavigation", QStringLiteral("隐藏导航条"), [this] { setNavigationVisible(false); });
    entry("N_ExportPicture", QStringLiteral("导出图片..."), [this] { exportPicture(); });
    m_view->setContextMenuPolicy(Qt::ActionsContextMenu);
    updateMenu();
}

QAction *AnalysisPanel::action(const QString &name) const
{
    return m_view->findChild<QAction *>(name);
}

void AnalysisPanel::updateMenu()
{
    action(QStringLiteral("N_ShowList"))->setEnabled(m_list->isHidden());
    action(QStringLiteral("N_HideList"))->setEnabled(!m_list->isHidden());
    const bool shown = m_ws.host.isNavigationVisible();
    action(QStringLiteral("N_ShowNavigation"))->setEnabled(!shown);
    action(QStringLiteral("N_HideNavigation"))->setEnabled(shown);
}

void AnalysisPanel::setListVisible(bool visible)
{
    m_list->setVisible(visible);
    updateMenu();
}

void AnalysisPanel::setNavigationVisible(bool visible)
{
    m_ws.host.setNavigationVisible(visible); // the navigation panel, its splitter and the check
    updateMenu();
}

void AnalysisPanel::prepare()
{
    if (m_member.kind == AnalysisMember::Kind::Period) {
        m_from->setDate(QDate::currentDate().addDays(-30));
        m_to->setDate(QDate::currentDate());
    }
    updateMenu();
}

void AnalysisPanel::closePanel()
{
    m_ws.host.returnToSchedule(QStringLiteral("图表分析"));
}

QVariantMap AnalysisPanel::period() const
{
    return {{QStringLiteral("CreateDate1"), m_from->date()}, {QStringLiteral("CreateDate2"), m_to->date()}};
}

// ---------------------------------------------------------------- 刷新

void AnalysisPanel::refresh()
{
    m_series->clear();
    using K = AnalysisMember::Kind;
    if (m_member.kind == K::Region) {
        static const QStringList titles{QStringLiteral("省份分布分析"), QStringLiteral("国家/地区分布分析"),
                                        QStringLiteral("境外投资国家/地区分布分析")};
        const int choice = qMax(0, m_selector->currentIndex());
        m_list->clear();
        fillChart(AnalysisMember::regionChart(choice), titles[choice]);
        return;
    }
    m_list->clear();
    const QString agents = QStringLiteral("select Count(CustID) as sumIn from tblCustomers ");
    if (m_member.kind == K::Count && m_selector->currentIndex() == 1) {
        store::Connection &db = m_ws.dm.connection();
        db.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(AnalysisMember::RecordCounts));
        db.exec(m_member.recordCountsLines().join(QLatin1Char('\n')));
        const auto dropCounts = qScopeGuard([&db] {
            try {
                db.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(AnalysisMember::RecordCounts));
            } catch (const store::StoreError &) {
                // The connection is going away, and its temporary tables with it.
            }
        });
        fillList(AnalysisMember::recordTotal().join(QLatin1Char('\n')), QStringLiteral("数量总计："), m_member.recordLines());
        fillChart(m_member.recordChart(), QStringLiteral("按联络记录数量分析"));
        return;
    }
    fillList(agents, QStringLiteral("商务代理数量总计： "), m_member.agentLines());
    if (m_member.kind == K::Count) {
        fillChart(m_member.agentChart(), QStringLiteral("按商务代理数量分析"));
        return;
    }
    // The period: the lines of agents created in it, after the lines of all time.
    const QString from = m_from->text(), to = m_to->text();
    m_list->addItem(QString());
    m_list->addItem(from + QStringLiteral(" 至"));
    m_list->addItem(to + QStringLiteral(" 期间："));
    fillList(QStringLiteral("select Count(CustID) as sumIn from tblCustomers where CreateDate between :CreateDate1 and :CreateDate2"),
             QStringLiteral("商务代理数量总计："), m_member.periodLines(), period());
    fillChart(m_member.periodChart(), from + QStringLiteral("至") + to + m_member.periodTitle, period());
}

// Runs one statement of 刷新 on a dataset: closed, its text cleared and set anew, opened.
void AnalysisPanel::run(store::Dataset &q, const QStringList &lines, const QVariantMap &values)
{
    q.close();
    q.setSql(QString());
    q.setSql(lines);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        q.setParam(it.key(), it.value());
    q.open();
}

// The total line, an empty line and "其中：", then a line per category: two blanks, the name,
// "：", the count and " 个".
void AnalysisPanel::fillList(const QString &total, const QString &caption, const QStringList &lines,
                             const QVariantMap &values)
{
    store::Dataset &q = m_ws.dm.qryPubQuery;
    run(q, {total}, values);
    const QString count = q.isEmpty() ? QStringLiteral("0") : q.value(0, QStringLiteral("sumIn")).toString();
    m_list->addItem(caption + count + QStringLiteral(" 个"));
    m_list->addItem(QString());
    m_list->addItem(QStringLiteral("其中："));
    run(q, lines, values);
    for (int r = 0; r < q.rowCount(); ++r)
        m_list->addItem(QStringLiteral("  ") + q.value(r, m_member.name).toString() + QStringLiteral("：") +
                        q.value(r, QStringLiteral("sumIn")).toString() + QStringLiteral(" 个"));
}

// One slice per row, labelled with its name and share ("0.00%"), in its category's colour
// (the chart's own when it has none); the largest slice stands out by a tenth of the radius.
void AnalysisPanel::fillChart(const QStringList &lines, const QString &title, const QVariantMap &values)
{
    store::Dataset *q = m_ws.dm.dataset(m_member.chartDataset);
    run(*q, lines, values);
    // The region analysis names its dictionary by its choice: provinces or countries.
    const bool region = m_member.kind == AnalysisMember::Kind::Region;
    const bool countries = region && m_selector->currentIndex() > 0;
    const QString name = countries ? QStringLiteral("CountryName") : region ? QStringLiteral("DistName") : m_member.name;
    const QString colour = countries ? QStringLiteral("CountryColor") : region ? QStringLiteral("DistColor") : m_member.colour;
    double total = 0;
    for (int r = 0; r < q->rowCount(); ++r)
        total += q->value(r, QStringLiteral("sumIn")).toDouble();
    QPieSlice *largest = nullptr;
    for (int r = 0; r < q->rowCount(); ++r) {
        const double value = q->value(r, QStringLiteral("sumIn")).toDouble();
        const QString share = QString::number(total > 0 ? value * 100.0 / total : 0.0, 'f', 2) + QLatin1Char('%');
        const QString category = q->value(r, name).toString();
        auto *slice = m_series->append(category + QLatin1Char(' ') + share, value);
        if (const QColor c = colourOf(q->value(r, colour)); c.isValid())
            slice->setBrush(c);
        if (!largest || value > largest->value())
            largest = slice;
        // The legend names the category; the share is on the slice.
        for (QLegendMarker *marker : m_chart->legend()->markers(m_series))
            if (static_cast<QPieLegendMarker *>(marker)->slice() == slice)
                marker->setLabel(category);
        if (region) {
            QPixmap swatch(12, 12);
            swatch.fill(slice->brush().color());
            m_list->addItem(new QListWidgetItem(
                QIcon(swatch), QStringLiteral("  ") + category + QStringLiteral("：") +
                                   q->value(r, QStringLiteral("sumIn")).toString() +
                                   QStringLiteral(" 个")));
        }
    }
    if (largest && largest->value() > 0) {
        largest->setExploded(true);
        largest->setExplodeDistanceFactor(0.1);
    }
    m_chart->setTitle(title);
    fitLegend();
    placeLabels();
}

// Qt's legend drops the rows it has no room for, which would leave the last of thirty-odd
// provinces unnamed. Its letters shrink, down to a size that can still be read, until every
// row fits; where even that is too little, the legend gives way to a larger pie, and the list
// beside the chart, with each slice's colour, names every slice.
void AnalysisPanel::fitLegend()
{
    QLegend *legend = m_chart->legend();
    const int rows = m_series->count();
    // The legend beside the pie has the chart's height but for the title and the margins.
    const QRectF inner = m_chart->rect().marginsRemoved(m_chart->margins());
    const qreal titleHeight =
        m_chart->title().isEmpty() ? 0 : QFontMetricsF(m_chart->titleFont()).height() + 8;
    const qreal room = inner.height() - titleHeight - 12;
    // One row is its text with the text item's padding and the marker's spacing around it.
    const auto rowHeight = [](const QFont &font) { return QFontMetricsF(font).height() + 14; };
    QFont font = m_legendFont;
    if (font.pointSizeF() <= 0) // a font given in pixels: the same steps, in points
        font.setPointSizeF(QFontInfo(font).pointSizeF());
    constexpr qreal Smallest = 7;
    while (rows * rowHeight(font) > room && font.pointSizeF() > Smallest)
        font.setPointSizeF(qMax(Smallest, font.pointSizeF() - 0.5));
    if (legend->font() != font)
        legend->setFont(font);
    const bool fits = rows * rowHeight(font) <= room;
    if (legend->isVisible() != fits)
        legend->setVisible(fits);
}

// Where Qt Charts draws a slice's label outside the pie: an arm from the middle of the slice's
// edge, out by the arm length, then along the label's text on the line under it.
QRectF AnalysisPanel::labelRect(const QPieSlice *slice) const
{
    const QRectF area = m_chart->plotArea();
    const qreal radius = m_series->pieSize() * qMin(area.width(), area.height()) / 2;
    QPointF centre(area.left() + area.width() * m_series->horizontalPosition(),
                   area.top() + area.height() * m_series->verticalPosition());
    qreal angle = slice->startAngle() + slice->angleSpan() / 2;
    const auto along = [](qreal degrees, qreal length) {
        const qreal a = qDegreesToRadians(degrees);
        return QPointF(qSin(a) * length, -qCos(a) * length);
    };
    if (slice->isExploded())
        centre += along(angle, slice->explodeDistanceFactor() * radius);
    angle = std::fmod(std::fmod(angle, 360.0) + 360.0, 360.0);
    if (angle > 170 && angle < 180) // the arm never points straight down
        angle = 170;
    if (angle > 180 && angle < 190)
        angle = 190;
    const QPointF armEnd = centre + along(slice->startAngle() + slice->angleSpan() / 2, radius) +
                           along(angle, radius * slice->labelArmLengthFactor());
    const QSizeF text = QFontMetricsF(slice->labelFont()).size(0, slice->label());
    const QPointF topLeft = angle < 180
                                ? QPointF(armEnd.x(), armEnd.y() - text.height())
                                : QPointF(armEnd.x() - text.width(), armEnd.y() - text.height());
    return {topLeft, text};
}

// A slice carries its label only where the label fits: the larger slices first, each label
// where no label placed before it stands and inside the chart. Empty categories carry none.
void AnalysisPanel::placeLabels()
{
    QList<QPieSlice *> slices = m_series->slices();
    std::stable_sort(slices.begin(), slices.end(), [](const QPieSlice *a, const QPieSlice *b) {
        return a->value() > b->value();
    });
    const QRectF chart = m_chart->rect();
    QList<QRectF> placed;
    for (QPieSlice *slice : std::as_const(slices)) {
        const QRectF r = labelRect(slice);
        bool fits = slice->value() > 0 && chart.contains(r);
        for (const QRectF &other : std::as_const(placed))
            fits = fits && !r.adjusted(-2, -2, 2, 2).intersects(other);
        slice->setLabelVisible(fits);
        if (fits)
            placed << r;
    }
}

void AnalysisPanel::exportPicture()
{
    // The title proposes the name; a title such as "国家/地区分布分析" holds no folder.
    QString proposed = m_chart->title();
    proposed.replace(QLatin1Char('/'), QLatin1Char('-'));
    const QString path =
        FileDialog::getSaveFileName(this, QStringLiteral("导出图片"), store::session().AppDir, proposed,
                                    QStringLiteral("PNG 图片(*.png);;PDF 文件(*.pdf)"), QStringLiteral("png"));
    if (path.isEmpty())
        return;
    // Written whole into a temporary file and put in place at the end.
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    QString why;
    if (ok && path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        ok = writePdf(file, &why);
    else if (ok)
        ok = m_view->grab().toImage().save(&file, "PNG");
    if (!ok || !file.commit())
        MessageBox::warning(this, QStringLiteral("对不起，图片无法保存到“%1”：%2")
                                      .arg(QDir::toNativeSeparators(path),
                                           why.isEmpty() ? file.errorString() : why));
}

// The chart as a one-page PDF whose text a reader extracts as drawn: written to a scratch
// file first, its character maps mended (see PdfText), then copied into `out`.
bool AnalysisPanel::writePdf(QIODevice &out, QString *why) const
{
    QTemporaryFile scratch;
    if (!scratch.open()) {
        *why = scratch.errorString();
        return false;
    }
    {
        QPdfWriter pdf(&scratch);
        pdf.setPageSize(QPageSize(m_view->size(), QPageSize::Point));
        pdf.setPageMargins(QMarginsF());
        pdf.setResolution(72);
        QPainter painter(&pdf);
        m_view->render(&painter);
        if (!painter.end()) {
            *why = QStringLiteral("无法写入PDF");
            return false;
        }
    }
    if (!scratch.flush()) {
        *why = scratch.errorString();
        return false;
    }
    PdfText::Characters drawn;
    drawn.add(m_chart->title());
    for (const QPieSlice *slice : m_series->slices())
        drawn.add(slice->label());
    for (const QLegendMarker *marker : m_chart->legend()->markers())
        drawn.add(marker->label());
    if (!PdfText::mendCharacterMaps(scratch.fileName(), drawn, m_chart->legend()->font(), why))
        return false;
    scratch.seek(0);
    while (!scratch.atEnd()) {
        const QByteArray block = scratch.read(1 << 16);
        if (block.isEmpty() || out.write(block) != block.size()) {
            *why = block.isEmpty() ? scratch.errorString() : out.errorString();
            return false;
        }
    }
    return true;
}
