#pragma once

#include "dictionarymember.h"

#include <QDialog>
#include <QList>
#include <functional>

class ColorCombo;
class DataGrid;
class DbLineEdit;
class EnterChain;
class QAction;
class QToolButton;
struct Workspace;

namespace store
{
class Dataset;
}

// The dictionary editors (TfrmDepartment, TfrmRegion, TfrmCountry, ...): a list of every row
// of one small code table over a field panel bound to the current row, with 新增, 保存, 删除
// and 关闭. One class; what differs between the ten is a DictionaryMember row.
class DictionaryEditor : public QDialog
{
    Q_OBJECT
  public:
    DictionaryEditor(Workspace &ws, const DictionaryMember &member, QWidget *parent = nullptr);
    ~DictionaryEditor() override;

    const DictionaryMember &member() const { return m_member; }
    store::Dataset &dataset() const { return m_dataset; }

    // Closing in any way drops a pending change, as 关闭 does.
    void done(int result) override;

  protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    // A required field of 保存: the control, the text it shows and its message.
    struct Check {
        QWidget *field;
        std::function<QString()> shownText;
        QString message;
    };

    void openDatasets();
    QWidget *buildList();
    QWidget *buildButtons();
    QWidget *buildFields();
    DbLineEdit *lineEdit(const DictionaryMember::Field &field);
    QWidget *extraField();
    QWidget *colourField();

    void add();
    void save();
    void remove();
    void closeEditor();
    void showColours();

    Workspace &m_ws;
    const DictionaryMember &m_member;
    store::Dataset &m_dataset;
    DataGrid *m_grid = nullptr;
    QAction *m_add = nullptr;
    QAction *m_save = nullptr;
    QAction *m_delete = nullptr;
    DbLineEdit *m_code = nullptr;
    DbLineEdit *m_memo = nullptr;
    ColorCombo *m_colour = nullptr;
    EnterChain *m_chain = nullptr;
    QList<Check> m_checks; // in screen order: code, name, extra, colour
};
