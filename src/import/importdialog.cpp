#include "importdialog.h"

#include "datamodule.h"
#include "errordisplay.h"
#include "filedialog.h"
#include "messagebox.h"
#include "rights.h"
#include "session.h"
#include "sheetreader.h"
#include "storeerror.h"
#include "workspace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace
{

const QString Title = QStringLiteral("导入");

QString shownValue(const QVariant &v)
{
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("是") : QStringLiteral("否");
    return importing::cellText(v);
}

QTableWidget *table(const QString &name, const QStringList &headers)
{
    auto *t = new QTableWidget(0, int(headers.size()));
    t->setObjectName(name);
    t->setHorizontalHeaderLabels(headers);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

void setRow(QTableWidget *t, int row, const QStringList &cells)
{
    for (int c = 0; c < cells.size(); ++c)
        t->setItem(row, c, new QTableWidgetItem(cells[c]));
}

// A spreadsheet's name of a column: A, B, ..., Z, AA, ...
QString columnLetters(int column)
{
    QString out;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        out.prepend(QChar(u'A' + (c - 1) % 26));
    return out;
}

// Runs `work` under a progress dialog whose 取消 cancels it.
template <typename Work> auto withProgress(QWidget *parent, const QString &label, Work &&work)
{
    QProgressDialog dialog(label, QStringLiteral("取消"), 0, 1000, parent);
    dialog.setObjectName(QStringLiteral("dlgImportProgress"));
    dialog.setWindowTitle(Title);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(400);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    const importing::Progress progress = [&dialog](double done) {
        dialog.setValue(int(done * 1000));
        QCoreApplication::processEvents();
        return !dialog.wasCanceled();
    };
    auto result = work(progress);
    dialog.close();
    return result;
}

QString mappingFile()
{
    return store::session().AppDir + QStringLiteral("Data/ImportMappings.ini");
}

} // namespace

ImportDialog::ImportDialog(Workspace &ws, const ImportHook &hook, const QString &path,
                           std::unique_ptr<importing::SheetReader> reader, QWidget *parent)
    : QDialog(parent), m_ws(ws), m_hook(hook), m_path(path), m_reader(std::move(reader))
{
    setObjectName(QStringLiteral("dlgImport"));
    setWindowTitle(QStringLiteral("导入%1 - %2").arg(hook.list.name, QFileInfo(path).fileName()));
    m_run = std::make_unique<importing::ImportRun>(
        ws.dm.connection(), m_hook.list, store::session().CurrentUserID,
        ws.dm.isAdministrator(store::session().CurrentUserID));

    m_pages = new QStackedWidget(this);
    m_pages->addWidget(buildMappingPage());
    m_pages->addWidget(buildCheckPage());
    m_pages->addWidget(buildReportPage());

    m_back = new QPushButton(QStringLiteral("上一步(&B)"), this);
    m_back->setObjectName(QStringLiteral("btnBack"));
    m_next = new QPushButton(QStringLiteral("下一步(&N)"), this);
    m_next->setObjectName(QStringLiteral("btnNext"));
    m_import = new QPushButton(QStringLiteral("导入(&I)"), this);
    m_import->setObjectName(QStringLiteral("btnImport"));
    m_close = new QPushButton(QStringLiteral("取消"), this);
    m_close->setObjectName(QStringLiteral("btnClose"));
    for (QPushButton *b : {m_back, m_next, m_import, m_close})
        b->setAutoDefault(false);
    connect(m_back, &QPushButton::clicked, this, &ImportDialog::back);
    connect(m_next, &QPushButton::clicked, this, &ImportDialog::next);
    connect(m_import, &QPushButton::clicked, this, &ImportDialog::importRows);
    connect(m_close, &QPushButton::clicked, this, [this] { m_stored ? accept() : reject(); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *b : {m_back, m_next, m_import, m_close})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addLayout(buttons);
    resize(820, 600);

    m_sheet = m_reader->defaultSheet();
    showMapping(m_sheet);
}

ImportDialog::~ImportDialog() = default;

// ---------------------------------------------------------------- the columns

QWidget *ImportDialog::buildMappingPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("pgMapping"));
    m_sheetChoice = new QComboBox(page);
    m_sheetChoice->setObjectName(QStringLiteral("cbSheet"));
    m_sheetChoice->addItems(m_reader->sheetNames());
    connect(m_sheetChoice, &QComboBox::activated, this, [this](int sheet) {
        try {
            showMapping(sheet);
        } catch (const importing::ReadError &e) {
            MessageBox::warning(this, e.text);
        }
    });
    auto *sheetRow = new QHBoxLayout;
    auto *sheetLabel = new QLabel(QStringLiteral("工作表(&S)："), page);
    sheetLabel->setBuddy(m_sheetChoice);
    sheetRow->addWidget(sheetLabel);
    sheetRow->addWidget(m_sheetChoice, 1);
    const bool several = m_reader->sheetNames().size() > 1;
    sheetLabel->setVisible(several);
    m_sheetChoice->setVisible(several);

    auto *scroll = new QScrollArea(page);
    scroll->setWidgetResizable(true);
    m_columns = new QWidget;
    scroll->setWidget(m_columns);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("请为文件中的每一列选择要导入到的字段；"
                                                "不需要的列选“（不导入）”。"),
                                 page));
    layout->addLayout(sheetRow);
    layout->addWidget(scroll, 1);
    return page;
}

// The columns of a sheet, each with the field it fills, matched by caption or name, or as
// the user chose for this list before.
void ImportDialog::showMapping(int sheet)
{
    m_reader->selectSheet(sheet);
    m_sheet = sheet;
    m_sheetChoice->setCurrentIndex(sheet);
    m_headers = importing::ImportRun::readHeader(*m_reader);
    importing::SheetReader::Row sample;
    m_reader->next(sample);
    m_mapping = importing::Mapping(m_hook.list, m_headers);
    m_mapping.match(importing::MappingMemory(mappingFile())
                        .load(store::session().CurrentUserID, m_hook.list.name));

    delete m_columns->layout();
    qDeleteAll(m_columns->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly));
    m_choices.clear();
    auto *form = new QFormLayout(m_columns);
    for (int c = 0; c < m_headers.size(); ++c) {
        auto *choice = new QComboBox(m_columns);
        choice->setObjectName(QStringLiteral("cbColumn%1").arg(c));
        choice->addItem(QStringLiteral("（不导入）"), -1);
        for (int f = 0; f < m_hook.list.fields.size(); ++f)
            choice->addItem(m_hook.list.fields[f].caption(), f);
        choice->setCurrentIndex(choice->findData(m_mapping.fieldOf(c)));
        connect(choice, &QComboBox::activated, this, [this, c, choice] {
            m_mapping.set(c, choice->currentData().toInt());
            // A field filled by one column only: another column that had it lets it go.
            for (int o = 0; o < m_choices.size(); ++o)
                m_choices[o]->setCurrentIndex(m_choices[o]->findData(m_mapping.fieldOf(o)));
        });
        const QString header = m_headers[c].isEmpty() ? QStringLiteral("（无标题）") : m_headers[c];
        const QString example = shownValue(sample.cells.value(c));
        auto *label = new QLabel(QStringLiteral("%1 列 %2%3：")
                                     .arg(columnLetters(c), header,
                                          example.isEmpty()
                                              ? QString()
                                              : QStringLiteral("（例：%1）").arg(example.left(30))),
                                 m_columns);
        label->setBuddy(choice);
        form->addRow(label, choice);
        m_choices.append(choice);
    }
    m_pages->setCurrentIndex(0);
    updateButtons();
    if (!m_choices.isEmpty())
        m_choices.first()->setFocus();
}

// ---------------------------------------------------------------- the check

QWidget *ImportDialog::buildCheckPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("pgCheck"));
    m_summary = new QLabel(page);
    m_summary->setObjectName(QStringLiteral("lblSummary"));
    m_summary->setWordWrap(true);
    m_checkTabs = new QTabWidget(page);
    m_checkTabs->setObjectName(QStringLiteral("tabCheck"));
    m_preview = table(QStringLiteral("twPreview"), {});
    m_problems = table(QStringLiteral("twProblems"),
                       {QStringLiteral("行号"), QStringLiteral("列"), QStringLiteral("问题")});
    m_duplicates = table(QStringLiteral("twDuplicates"),
                         {QStringLiteral("行号"), QStringLiteral("代码"), QStringLiteral("名称"),
                          QStringLiteral("已有记录的代码"), QStringLiteral("原因")});
    m_checkTabs->addTab(m_preview, QString());
    m_checkTabs->addTab(m_problems, QString());
    m_checkTabs->addTab(m_duplicates, QString());

    auto *choices = new QGroupBox(QStringLiteral("导入方式"), page);
    m_leaveOut = new QCheckBox(choices);
    m_leaveOut->setObjectName(QStringLiteral("chkLeaveOut"));
    m_skipExisting = new QRadioButton(QStringLiteral("已存在的代码：略过这些行(&K)"), choices);
    m_skipExisting->setObjectName(QStringLiteral("rbSkipExisting"));
    m_updateExisting =
        new QRadioButton(QStringLiteral("已存在的代码：用文件更新所列的字段(&U)"), choices);
    m_updateExisting->setObjectName(QStringLiteral("rbUpdateExisting"));
    m_skipExisting->setChecked(true);
    m_keepDuplicates = new QCheckBox(QStringLiteral("疑似重复的新行照样导入(&D)"), choices);
    m_keepDuplicates->setObjectName(QStringLiteral("chkKeepDuplicates"));
    auto *box = new QVBoxLayout(choices);
    for (QWidget *w : std::initializer_list<QWidget *>{m_leaveOut, m_skipExisting, m_updateExisting,
                                                       m_keepDuplicates})
        box->addWidget(w);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(m_summary);
    layout->addWidget(m_checkTabs, 1);
    layout->addWidget(choices);
    return page;
}

void ImportDialog::check()
{
    if (const QStringList missing = m_mapping.missingRequired(); !missing.isEmpty()) {
        MessageBox::warning(this, QStringLiteral("请为以下字段指定文件中的列：%1")
                                      .arg(missing.join(QStringLiteral("、"))));
        return;
    }
    m_run->setMapping(m_mapping);
    importing::MappingMemory(mappingFile())
        .save(store::session().CurrentUserID, m_hook.list.name, m_mapping.choices());
    const importing::CheckResult result = withProgress(
        this, QStringLiteral("正在读取并检查每一行……"), [&](const importing::Progress &progress) {
            return m_run->check(*m_reader, m_sheet, progress);
        });
    if (result.cancelled)
        return;
    m_checked = result;
    showCheck();
}

void ImportDialog::showCheck()
{
    const importing::CheckResult &r = m_checked;
    const qint64 clean = r.rows - r.problemRows;
    m_summary->setText(
        QStringLiteral(
            "文件共有 %1 行数据：%2 行没有问题，其中 %3 行的代码已存在；%4 行有问题（共 %5 处）；"
            "%6 行疑似与已有记录重复。")
            .arg(r.rows)
            .arg(clean)
            .arg(r.existingRows)
            .arg(r.problemRows)
            .arg(r.problemCount)
            .arg(r.duplicates.size()));

    const QStringList captions = m_run->filledCaptions();
    m_preview->clear();
    m_preview->setColumnCount(int(captions.size()) + 2);
    m_preview->setHorizontalHeaderLabels(
        QStringList{QStringLiteral("行号"), QStringLiteral("状态")} + captions);
    m_preview->setRowCount(int(r.preview.size()));
    for (int i = 0; i < r.preview.size(); ++i) {
        const importing::PreviewRow &p = r.preview[i];
        QStringList cells{QString::number(p.row), p.problem    ? QStringLiteral("有问题")
                                                  : p.existing ? QStringLiteral("已存在")
                                                               : QStringLiteral("新增")};
        for (const QVariant &v : p.values)
            cells << shownValue(v);
        setRow(m_preview, i, cells);
    }
    m_problems->setRowCount(int(r.problems.size()));
    for (int i = 0; i < r.problems.size(); ++i) {
        const importing::Problem &p = r.problems[i];
        const QString column =
            p.column < 0 ? QString()
                         : columnLetters(p.column) + QLatin1Char(' ') + m_headers.value(p.column);
        setRow(m_problems, i, {QString::number(p.row), column, p.text});
    }
    m_duplicates->setRowCount(int(r.duplicates.size()));
    for (int i = 0; i < r.duplicates.size(); ++i) {
        const importing::PossibleDuplicate &p = r.duplicates[i];
        setRow(m_duplicates, i, {QString::number(p.row), p.code, p.name, p.existing, p.reason});
    }
    m_checkTabs->setTabText(0, QStringLiteral("预览（前 %1 行）").arg(r.preview.size()));
    m_checkTabs->setTabText(
        1,
        r.problemCount > r.problems.size()
            ? QStringLiteral("问题（%1，列出前 %2 个）").arg(r.problemCount).arg(r.problems.size())
            : QStringLiteral("问题（%1）").arg(r.problemCount));
    m_checkTabs->setTabText(2, QStringLiteral("疑似重复（%1）").arg(r.duplicates.size()));

    m_leaveOut->setText(QStringLiteral("略过有问题的行（%1 行）(&L)").arg(r.problemRows));
    m_leaveOut->setChecked(false);
    m_leaveOut->setEnabled(r.problemRows > 0);
    const bool mayUpdate = m_ws.rights.allows(m_hook.right, QStringLiteral("Modify"));
    m_updateExisting->setEnabled(r.existingRows > 0 && mayUpdate);
    m_skipExisting->setEnabled(r.existingRows > 0);
    m_skipExisting->setChecked(true);
    m_keepDuplicates->setEnabled(!r.duplicates.isEmpty());
    m_keepDuplicates->setChecked(true);
    m_pages->setCurrentIndex(1);
    m_checkTabs->setCurrentIndex(r.problemCount > 0 ? 1 : 0);
    updateButtons();
    m_import->setFocus();
}

// ---------------------------------------------------------------- storing

void ImportDialog::importRows()
{
    const importing::CheckResult &r = m_checked;
    if (r.problemRows > 0 && !m_leaveOut->isChecked()) {
        MessageBox::warning(this, QStringLiteral("文件中有 %1 行有问题。请修正文件后重新导入，"
                                                 "或选择“略过有问题的行”。")
                                      .arg(r.problemRows));
        m_leaveOut->setFocus();
        return;
    }
    importing::StoreChoices choices;
    choices.leaveOutProblems = m_leaveOut->isChecked();
    choices.updateExisting = m_updateExisting->isChecked() && m_updateExisting->isEnabled();
    choices.keepPossibleDuplicates = m_keepDuplicates->isChecked();
    importing::StoreOutcome outcome;
    try {
        outcome = withProgress(
            this, QStringLiteral("正在导入……"),
            [&](const importing::Progress &progress) { return m_run->store(choices, progress); });
    } catch (const store::StoreError &e) {
        MessageBox::warning(this, QStringLiteral("导入失败，没有导入任何数据。\n%1").arg(e.text()));
        return;
    } catch (const importing::ReadError &e) {
        MessageBox::warning(this, QStringLiteral("导入失败，没有导入任何数据。\n%1").arg(e.text));
        return;
    }
    if (outcome.cancelled) {
        MessageBox::information(this, QStringLiteral("导入已取消，没有导入任何数据。"), Title);
        return;
    }
    m_outcome = outcome;
    m_stored = true;
    if (m_hook.folderFor)
        m_outcome.folderFailures = importing::makeFolders(outcome.addedCodes, m_hook.folderFor);
    if (m_hook.refresh)
        m_hook.refresh();
    showReport();
}

QWidget *ImportDialog::buildReportPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("pgReport"));
    m_report = new QLabel(page);
    m_report->setObjectName(QStringLiteral("lblReport"));
    m_report->setWordWrap(true);
    m_leftOut = table(QStringLiteral("twLeftOut"), {QStringLiteral("行号"), QStringLiteral("代码"),
                                                    QStringLiteral("略过的原因")});
    auto *save = new QPushButton(QStringLiteral("保存报告(&R)..."), page);
    save->setObjectName(QStringLiteral("btnSaveReport"));
    save->setAutoDefault(false);
    connect(save, &QPushButton::clicked, this,
            [this] { ErrorDisplay::run(this, [this] { saveReport(); }); });
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(m_report);
    layout->addWidget(m_leftOut, 1);
    layout->addWidget(save, 0, Qt::AlignLeft);
    return page;
}

void ImportDialog::showReport()
{
    QStringList why;
    for (auto it = m_outcome.leftOutBy.cbegin(); it != m_outcome.leftOutBy.cend(); ++it)
        why << QStringLiteral("%1 %2 行").arg(it.key()).arg(it.value());
    m_report->setText(
        QStringLiteral("导入完成：新增 %1 行，更新 %2 行，略过 %3 行%4。")
            .arg(m_outcome.added)
            .arg(m_outcome.updated)
            .arg(m_outcome.leftOut)
            .arg(why.isEmpty() ? QString()
                               : QStringLiteral("（%1）").arg(why.join(QStringLiteral("，")))) +
        (m_outcome.folderFailures.isEmpty()
             ? QString()
             : QLatin1Char('\n') + importing::folderReport(m_outcome.folderFailures)));
    const auto lines = m_run->reportLines(1000);
    m_leftOut->setRowCount(int(lines.size()));
    for (int i = 0; i < lines.size(); ++i)
        setRow(m_leftOut, i, {QString::number(lines[i].row), lines[i].code, lines[i].reason});
    m_pages->setCurrentIndex(2);
    updateButtons();
    m_close->setFocus();
}

void ImportDialog::saveReport()
{
    const QString folder = store::session().AppDir + QStringLiteral("Export");
    QDir().mkpath(folder);
    const QString path = FileDialog::getSaveFileName(
        this, QStringLiteral("保存导入报告"), folder, QStringLiteral("导入报告.csv"),
        QStringLiteral("CSV 文件(*.csv)"), QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    try {
        m_run->saveReport(path, m_outcome);
    } catch (const importing::ReadError &e) {
        MessageBox::warning(this, e.text);
        return;
    }
    MessageBox::information(
        this, QStringLiteral("导入报告已保存到“%1”。").arg(QDir::toNativeSeparators(path)), Title);
}

// ---------------------------------------------------------------- the steps

void ImportDialog::updateButtons()
{
    const int page = m_pages->currentIndex();
    m_back->setEnabled(page == 1);
    m_next->setEnabled(page == 0);
    m_import->setEnabled(page == 1);
    m_close->setText(page == 2 ? QStringLiteral("关闭") : QStringLiteral("取消"));
}

void ImportDialog::next()
{
    ErrorDisplay::run(this, [this] {
        try {
            check();
        } catch (const importing::ReadError &e) {
            MessageBox::warning(this, e.text);
        }
    });
}

void ImportDialog::back()
{
    m_pages->setCurrentIndex(0);
    updateButtons();
    if (!m_choices.isEmpty())
        m_choices.first()->setFocus();
}

// ---------------------------------------------------------------- the command

void ImportDialog::run(QWidget *parent, Workspace &ws, const ImportHook &hook)
{
    QString folder = store::session().AppDir + QStringLiteral("Export");
    if (!QFileInfo(folder).isDir())
        folder = store::session().AppDir;
    const QString path = FileDialog::getOpenFileName(
        parent, QStringLiteral("导入%1").arg(hook.list.name), folder,
        QStringLiteral("表格文件(*.xlsx *.csv *.txt);;Excel 工作簿(*.xlsx);;CSV 文件(*.csv *.txt);;"
                       "所有文件(*)"));
    if (path.isEmpty())
        return;
    std::unique_ptr<importing::SheetReader> reader;
    try {
        reader = importing::SheetReader::openFile(path);
        ImportDialog dialog(ws, hook, path, std::move(reader), parent);
        dialog.exec();
    } catch (const importing::ReadError &e) {
        MessageBox::warning(parent, e.text);
    }
}
